#include "frame/frame.h"

HINSTANCE AppInstance;
HWND MainWindow;
HWND CurrentPage;
PageListState PageList;
int CurrentPosition;
HFONT TitleFont;
int StopRequested;
int InstallError;
const char* InstallErrorArg;
int OsUnsupported;
int UseFontsFolder;
int LaunchReaderAtExit;
int OpenGuideAtExit;
int Busy;
int FinishingDone;
