// What the frame calls in the pages and the upgrade steps, and the page
// procedures the product's page table names.
#pragma once
#include <windows.h>

#include "core/descriptor.h"
#include "frame/install_state.h"
#include "frame/page_table.h"

// Chrome of the main window.
void CenterOnScreen(HWND window);
void CreateTitleFont(HWND window);
// Deletes the bold copy, if one was made; the window's own font is left alone.
void DeleteTitleFont();
// Makes the bold copy anew from the window's font (which the system changes
// when the window moves to a display of another scale) and gives it to the
// page's title.
void RenewTitleFont(HWND window);
// Where the dialog font stops growing with the display (MS Sans Serif has no
// larger size) and the system's check boxes do not, makes each check box and
// radio button of the dialog as high as its box, keeping its bottom edge.
void FitCheckBoxes(HWND dialog);
// Sets the window's small and large icons at the sizes the system asks for
// at the window's scale.
void SetWindowIcons(HWND window);
void SubclassChrome();

// Page procedures.
INT_PTR CALLBACK WelcomePageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK DestinationPageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK ReplacePageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK CopyPageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK RegistryPageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK IconPageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK CompletionPageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// What the wizard's host drives on the pages: the copy page's status lines
// (a HostStatusLine) and the end of the program group's conversation.
void ShowCopyStatus(int line, const char* text);
void IconStepEnded(int errorCode);

// What the frame does once a page's leave step has decided.
enum LeaveResult {
    LeaveStay = 0,
    LeaveNext = 1,       // the next position of the page list
    LeavePrevious = 2,   // the previous position
    LeaveShowAgain = 3   // the same position, built anew from its (changed) template
};
LeaveResult LeavePage(int pageId);
// Post-copy finishing, run just before the last page; returns false (no failure).
struct InstallSession;
bool FinishInstallation(InstallSession* session, int errorCode);
// The finishing step as the frame runs it: once per installation, whichever
// way the walk reaches it (the last page, or the program group's error).
void FinishInstallationOnce(int errorCode);
// Completion page follow-ups.
void LaunchReaderInstaller();
void OpenGettingStarted();

// Start-up configuration of the descriptor (product tables).
void ConfigureInstallation(InstallDescriptor* descriptor);
