#include "frame/frame.h"
#include "frame/install_state.h"

InstallDescriptor Descriptor;
int ProgramSelected;
int DatabaseSelected;

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
int HighContrast;

void SelectChosenComponents()
{
    if (ProgramSelected)
        SelectComponent(&Descriptor, 1, 1);
    if (DatabaseSelected)
        SelectComponent(&Descriptor, 2, 1);
}
