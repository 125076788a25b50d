// The completion page, and what happens when the program ends after it:
// the reader installer is started, or the getting-started document opened.
#include <windows.h>
#include <exdisp.h>
#include <shldisp.h>
#include <shlguid.h>
#include <shlobj.h>
#include <cstdio>

#include "core/product_tables.h"
#include "core/text_format.h"
#include "frame/com_release.h"
#include "frame/frame.h"
#include "frame/wizard.h"
#include "frame/system_libraries.h"
#include "pages/pages.h"
#include "pages/paths.h"

namespace {

// How long the end of the program waits for the desktop's shell to open the
// document: an Explorer that hangs (a network drive that does not answer is
// enough) must not keep the installer running without a window.
const DWORD DesktopShellWaitMs = 5000;

void OnInitDialog(HWND page)
{
    OFSTRUCT info;
    // OF_EXIST opens and closes the file again; the value returned is no
    // handle that could be closed.
    if (OpenFile(ReaderInstaller, &info, OF_EXIST | OF_SHARE_DENY_WRITE) == HFILE_ERROR) {
        const int hidden[] = {IDC_READER_GROUP, IDC_READER_CHECK, IDC_READER_SECOND_LINE, IDC_READER_NOTE};
        for (int id : hidden)
            ShowWindow(GetDlgItem(page, id), SW_HIDE);
    }
    SetExitCaption("Finish");
}

// The shell of the desktop the user is logged on to: its Explorer runs at
// the user's level, this installer elevated. Null when no desktop shell
// answers (no Explorer, or a system without these interfaces).
IShellDispatch2* DesktopShell()
{
    IShellWindows* windows = nullptr;
    IDispatch* desktop = nullptr;
    IServiceProvider* provider = nullptr;
    IShellBrowser* browser = nullptr;
    IShellView* view = nullptr;
    IDispatch* background = nullptr;
    IShellFolderViewDual* folder = nullptr;
    IDispatch* application = nullptr;
    IShellDispatch2* shell = nullptr;
    VARIANT location = {};  // VT_EMPTY
    VARIANT nowhere = {};
    location.vt = VT_I4;
    location.lVal = CSIDL_DESKTOP;
    long window = 0;
    // The desktop's own process serves the shell windows: a local server.
    if (SUCCEEDED(SystemLibraries::ComCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER,
                                                     IID_IShellWindows, reinterpret_cast<void**>(&windows))) &&
        windows->FindWindowSW(&location, &nowhere, SWC_DESKTOP, &window, SWFO_NEEDDISPATCH, &desktop) == S_OK &&
        desktop &&
        SUCCEEDED(desktop->QueryInterface(IID_IServiceProvider, reinterpret_cast<void**>(&provider))) &&
        SUCCEEDED(provider->QueryService(SID_STopLevelBrowser, IID_IShellBrowser, reinterpret_cast<void**>(&browser))) &&
        SUCCEEDED(browser->QueryActiveShellView(&view)) && view &&
        SUCCEEDED(view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, reinterpret_cast<void**>(&background))) &&
        SUCCEEDED(background->QueryInterface(IID_IShellFolderViewDual, reinterpret_cast<void**>(&folder))) &&
        SUCCEEDED(folder->get_Application(&application)) && application)
        application->QueryInterface(IID_IShellDispatch2, reinterpret_cast<void**>(&shell));
    ReleaseCom(application);
    ReleaseCom(folder);
    ReleaseCom(background);
    ReleaseCom(view);
    ReleaseCom(browser);
    ReleaseCom(provider);
    ReleaseCom(desktop);
    ReleaseCom(windows);
    return shell;
}

// Opens `document` (a plain path) as the logged-on user, through the
// desktop's shell; false when that shell could not be asked.
bool OpenAsDesktopUser(const char* document)
{
    bool opened = false;
    HRESULT com = SystemLibraries::ComInitialize(COINIT_APARTMENTTHREADED);
    IShellDispatch2* shell = DesktopShell();
    wchar_t path[MAX_PATH];
    if (shell && MultiByteToWideChar(CP_ACP, 0, document, -1, path, MAX_PATH) > 0) {
        BSTR file = SystemLibraries::AllocString(path);
        VARIANT none = {}, verb = {}, show = {};
        verb.vt = VT_BSTR;
        verb.bstrVal = SystemLibraries::AllocString(L"open");
        show.vt = VT_I4;
        show.lVal = SW_SHOWNORMAL;
        opened = file && verb.bstrVal && SUCCEEDED(shell->ShellExecute(file, none, none, verb, show));
        SystemLibraries::FreeString(verb.bstrVal);
        SystemLibraries::FreeString(file);
    }
    ReleaseCom(shell);
    if (SUCCEEDED(com))
        SystemLibraries::ComUninitialize();
    return opened;
}

struct DesktopOpen {
    char Document[MAX_PATH];
    volatile LONG Opened;
};

DWORD WINAPI DesktopOpenThread(void* parameter)
{
    DesktopOpen* request = static_cast<DesktopOpen*>(parameter);
    InterlockedExchange(&request->Opened, OpenAsDesktopUser(request->Document) ? 1 : 0);
    return 0;
}

// Asks the desktop's shell from a thread of its own (with its own COM
// apartment) and waits a bounded time: 1 opened, 0 no desktop shell
// answered, -1 no answer in time (the shell may still open it, so nothing
// else may). The request is static: a thread left behind may still read it.
int OpenThroughDesktop(const char* document)
{
    static DesktopOpen request;
    lstrcpynA(request.Document, document, MAX_PATH);
    request.Opened = 0;
    HANDLE thread = CreateThread(nullptr, 0, DesktopOpenThread, &request, 0, nullptr);
    if (!thread)
        return 0;
    DWORD waited = WaitForSingleObject(thread, DesktopShellWaitMs);
    CloseHandle(thread);
    if (waited != WAIT_OBJECT_0)
        return -1;
    return request.Opened ? 1 : 0;
}

} // namespace

INT_PTR CALLBACK CompletionPageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        OnInitDialog(window);
        break;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_READER_CHECK)
            LaunchReaderAtExit = !LaunchReaderAtExit;
        break;
    }
    return PageDefaultProc(window, message, wParam, lParam);
}

void LaunchReaderInstaller()
{
    if (WinExec(ReaderInstaller, SW_SHOW) < 32) {
        char format[256];
        char text[512];
        if (!LoadStringA(AppInstance, IDS_READER_ERROR, format, sizeof format))
            format[0] = '\0';
        FormatText(text, sizeof text, format, ReaderInstaller);
        MessageBoxA(nullptr, text, "Error", MB_OK | MB_TASKMODAL);
    }
    PostQuitMessage(0);
}

void OpenGettingStarted()
{
    char document[MAX_PATH + 2];
    if (!BuildGuideCommand(document, sizeof document, GetDestinationDir()))
        return;
    // The browser, and whatever it runs, must not inherit the installer's
    // administrator rights: the desktop's shell opens it as the user.
    char plain[MAX_PATH];
    if (JoinPath(plain, sizeof plain, GetDestinationDir(), GuideDocumentName) && OpenThroughDesktop(plain) != 0)
        return;
    SystemLibraries::ShellExecute(nullptr, "open", document, nullptr, nullptr, SW_SHOWNORMAL);
}
