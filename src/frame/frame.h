// The wizard frame: main window, page list and navigation, error page, stop
// request. Everything runs on the one GUI thread. Frame state is process-wide.
#pragma once
#include <windows.h>
#include <type_traits>

#include "core/descriptor.h"
#include "core/navigation.h"
#include "frame/install_state.h"
#include "frame/resource_ids.h"

static_assert(std::is_same<PageProcedure, DLGPROC>::value, "page procedures are dialog procedures");

// Error codes handed to ShowErrorPage; each has its message in the string
// table (page_flow.cpp pairs them).
enum {
    ErrSourceMissing = 1,
    ErrDataMissing = 2,
    ErrCreateFile = 3,
    ErrReadFile = 4,
    ErrWriteFile = 5,
    ErrFileSize = 6,
    ErrChecksum = 7,
    ErrCrcRead = 8,
    ErrUncompress = 9,
    ErrAborted = 10,
    ErrCreateDirectory = 11,
    ErrRegistry = 12,
    ErrProgramGroup = 13
};

extern HINSTANCE AppInstance;
extern HWND MainWindow;
extern HWND CurrentPage;
// The positions of the walk: page ids in ascending order, ended by -1.
extern PageListState PageList;
extern int CurrentPosition;
extern HFONT TitleFont;
extern int StopRequested;
extern int InstallError;
extern const char* InstallErrorArg;
extern int OsUnsupported;
extern int UseFontsFolder;
extern int LaunchReaderAtExit;
extern int OpenGuideAtExit;
// 1 while WaitWithWindowAlive waits: Back and Next do nothing, the wait cursor shows.
extern int Busy;
// 1 once the finishing step has run for this installation.
extern int FinishingDone;
// 1 while the system's high-contrast setting is on: the installer's own
// painting then takes the system's colours (read at start and whenever the
// system's colours or settings change).
extern int HighContrast;

INT_PTR CALLBACK MainDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Fills the descriptor, proposes the destination and tests the system:
// what both the wizard and the unattended run do first. False on a system
// that is not supported.
bool PrepareInstallation();
void StartWizard();
// The unattended run of the installation (/S); its exit code.
struct CommandLine;
int RunUnattended(const CommandLine& line);
void ShowPageAt(int position);
HWND CreatePage(const char* templateName, DLGPROC pageProcedure);
void GoNextPage();
void GoPreviousPage();
// True while a work page (copy, registry, icons) is shown, where Exit stops
// the work; false on the question pages, the last page and the error page.
bool OnWorkPage();
void SetNavButtons(bool backEnabled, bool nextEnabled, bool exitEnabled);
void SetExitCaption(const char* text);
void FocusExitButton();
// `argument` is copied, so it may come from storage that dies with the page.
void ShowErrorPage(int errorCode, const char* argument);
// The error page's message for a code, its argument put into the one %s.
void FormatErrorText(int errorCode, const char* argument, char* out, size_t size);
INT_PTR CALLBACK ErrorPageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK StaticPageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR PageDefaultProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
int PumpMessages();
bool ConfirmAbort(HWND ownerWindow);
// Waits for `object` (a process, say) for at most `limitMs` while the window
// stays alive: it repaints, the wait cursor shows, Back and Next do nothing,
// and Exit still ends the program. False when the user asked to stop; the
// request is then left for the main loop, which ends the program.
bool WaitWithWindowAlive(HANDLE object, DWORD limitMs);
bool CheckOperatingSystem(int osFlags);
// True on an NT 6 system as it reports itself to this program.
bool IsWindowsNt6();
void BuildPageList(int count);
void FreePageList();
void SetPageInList(int pageId, bool present);
