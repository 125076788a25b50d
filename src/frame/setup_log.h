// The log of a run: UTF-8 text, one line per step with the time. A log that
// cannot be opened or written is dropped; it never stops or changes the
// installation.
#pragma once

// Starts a new log at `path`: a new file, in place of an earlier log of
// this setup; anything else at the name (a file, a folder, a link planted by
// somebody else) is left as it is, and the run goes on without a log. False
// when there is no log.
bool OpenSetupLog(const char* path);
// One line, printf-style, in the system's code page; nothing without a log.
void LogLine(const char* format, ...);
void CloseSetupLog();
