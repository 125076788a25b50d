// The name a file's SZDD form is written under before it is expanded: the
// path with its last character replaced by '_' (kovamain.exe -> kovamain.ex_).
#pragma once

// Applies the rule in place. The last '.' is looked for in the whole path;
// when there is none, or it is the last character, the path is left alone
// and the result is false.
bool CompressedName(char* path);
