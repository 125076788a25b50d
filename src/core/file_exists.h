// Whether something (a file or a directory) stands at a path.
#pragma once

bool PathExists(const char* path);
