// The log of a run: UTF-8 text, one line per step with the time. A log that
// cannot be opened or written is dropped; it never stops or changes the
// installation.
#pragma once

// Starts a new log at `path` (replacing an older one); false when it cannot
// be created, and the run goes on without.
bool OpenSetupLog(const char* path);
// One line, printf-style, in the system's code page; nothing without a log.
void LogLine(const char* format, ...);
void CloseSetupLog();
