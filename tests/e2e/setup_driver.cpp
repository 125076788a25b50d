#include "setup_driver.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>

namespace {

const DWORD kMessageTimeoutMs = 5000;

struct WindowSearch {
    DWORD pid;
    HWND exclude;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectDialogs(HWND window, LPARAM param)
{
    WindowSearch* search = reinterpret_cast<WindowSearch*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == search->pid && window != search->exclude && ClassNameOf(window) == "#32770")
        search->found.push_back(window);
    return TRUE;
}

BOOL CALLBACK CollectStatics(HWND window, LPARAM param)
{
    std::vector<std::string>* texts = reinterpret_cast<std::vector<std::string>*>(param);
    std::string cls = ClassNameOf(window);
    if (_stricmp(cls.c_str(), "Static") == 0)
        texts->push_back(WindowText(window));
    return TRUE;
}

// Our environment with `options` applied, as a block for CreateProcessA.
std::string BuildEnvironment(const SetupOptions& options)
{
    std::map<std::string, std::string> vars;   // upper-cased name -> entry
    char* block = GetEnvironmentStringsA();
    for (const char* p = block; *p; p += std::strlen(p) + 1) {
        std::string entry(p);
        size_t eq = entry.find('=', 1);
        if (eq == std::string::npos)
            continue;
        std::string name = entry.substr(0, eq);
        for (char& c : name)
            c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
        vars[name] = entry;
    }
    FreeEnvironmentStringsA(block);
    for (const std::string& entry : options.environment) {
        std::string name = entry.substr(0, entry.find('='));
        for (char& c : name)
            c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
        vars[name] = entry;
    }
    for (std::string name : options.unsetNames) {
        for (char& c : name)
            c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
        vars.erase(name);
    }
    std::string result;
    for (const auto& var : vars) {
        result += var.second;
        result += '\0';
    }
    result += '\0';
    return result;
}

}  // namespace

std::string WindowText(HWND window)
{
    char buffer[4096];
    DWORD_PTR copied = 0;
    if (!window)
        return std::string();
    if (!SendMessageTimeoutA(window, WM_GETTEXT, sizeof(buffer), reinterpret_cast<LPARAM>(buffer),
                             SMTO_ABORTIFHUNG, kMessageTimeoutMs, &copied))
        return std::string();
    buffer[sizeof(buffer) - 1] = '\0';
    return std::string(buffer, copied < sizeof(buffer) ? copied : sizeof(buffer) - 1);
}

std::string ClassNameOf(HWND window)
{
    char name[64];
    if (!GetClassNameA(window, name, sizeof(name)))
        return std::string();
    return name;
}

std::vector<std::string> StaticTexts(HWND window)
{
    std::vector<std::string> texts;
    if (window)
        EnumChildWindows(window, CollectStatics, reinterpret_cast<LPARAM>(&texts));
    return texts;
}

const char* SetupExePath()
{
    const char* chosen = std::getenv("KOVA_E2E_SETUP_EXE");
    return chosen && *chosen ? chosen : KOVA_SETUP_EXE;
}

// Programs the driver starts get the null device as standard handles: under
// Wine they would otherwise hold the test runner's output pipe open, and so
// would the desktop process the first window starts.
static HANDLE NullDevice()
{
    static HANDLE device = INVALID_HANDLE_VALUE;
    if (device == INVALID_HANDLE_VALUE) {
        SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
        device = CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                             OPEN_EXISTING, 0, nullptr);
    }
    return device;
}

static STARTUPINFOA QuietStartup()
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    if (NullDevice() != INVALID_HANDLE_VALUE) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = startup.hStdOutput = startup.hStdError = NullDevice();
    }
    return startup;
}

HANDLE StartProgram(const std::string& commandLine, const char* dir, const SetupOptions* options)
{
    STARTUPINFOA startup = QuietStartup();
    PROCESS_INFORMATION process = {};
    std::string line = commandLine;
    std::string environment = options ? BuildEnvironment(*options) : std::string();
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, 0, options ? &environment[0] : nullptr, dir,
                        &startup, &process))
        return nullptr;
    CloseHandle(process.hThread);
    return process.hProcess;
}

SetupProcess::~SetupProcess()
{
    Kill();
}

int SetupProcess::Start(const SetupOptions& options)
{
    int ok = 0;
    std::string commandLine = "\"" + WindowsPath(SetupExePath()) + "\"";
    if (!options.arguments.empty())
        commandLine += " " + options.arguments;
    std::string environment = BuildEnvironment(options);
    STARTUPINFOA startup = QuietStartup();
    std::string desktop = options.desktop;
    if (!desktop.empty())
        startup.lpDesktop = &desktop[0];
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, TRUE, 0, &environment[0],
                        options.currentDir.empty() ? nullptr : options.currentDir.c_str(), &startup,
                        &process_)) {
        error_ = "CreateProcessA(" + commandLine + ") failed, error " + std::to_string(GetLastError());
        goto done;
    }
    pid_ = process_.dwProcessId;
    if (options.unattended) {
        ok = 1;
        goto done;
    }
    if (!WaitUntil([this] { return (main_ = FindMainWindow()) != nullptr || !Running(); }, 20000)) {
        error_ = "no main window \"Install\" within 20 s";
        goto done;
    }
    if (!main_) {
        error_ = "setup.exe ended before showing its main window, exit code " + std::to_string(ExitCode());
        goto done;
    }
    ok = 1;
done:
    return ok;
}

HWND SetupProcess::FindMainWindow() const
{
    // The main window and the message boxes share the caption "Install";
    // only the main window has the separator control.
    HWND window = nullptr;
    while ((window = FindWindowExA(nullptr, window, nullptr, "Install")) != nullptr) {
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        if (pid == pid_ && GetDlgItem(window, IDC_SEPARATOR) && IsWindowVisible(window))
            return window;
    }
    return nullptr;
}

namespace {

struct ShownWindows {
    DWORD pid;
    std::vector<HWND>* seen;
};

BOOL CALLBACK NoteShownWindow(HWND window, LPARAM lParam)
{
    ShownWindows* shown = reinterpret_cast<ShownWindows*>(lParam);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == shown->pid && IsWindowVisible(window) &&
        std::find(shown->seen->begin(), shown->seen->end(), window) == shown->seen->end())
        shown->seen->push_back(window);
    return TRUE;
}

}  // namespace

int SetupProcess::WindowsShownUntilExit(DWORD timeoutMs) const
{
    std::vector<HWND> seen;
    ShownWindows shown = {pid_, &seen};
    bool ended = WaitUntil([&] {
        EnumWindows(NoteShownWindow, reinterpret_cast<LPARAM>(&shown));
        return !Running();
    }, timeoutMs);
    return ended ? int(seen.size()) : -1;
}

bool SetupProcess::Running() const
{
    return process_.hProcess && WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT;
}

bool SetupProcess::WaitExit(DWORD timeoutMs)
{
    return process_.hProcess && WaitForSingleObject(process_.hProcess, timeoutMs) == WAIT_OBJECT_0;
}

DWORD SetupProcess::ExitCode() const
{
    DWORD code = STILL_ACTIVE;
    if (process_.hProcess)
        GetExitCodeProcess(process_.hProcess, &code);
    return code;
}

void SetupProcess::Kill()
{
    if (process_.hProcess) {
        if (Running()) {
            TerminateProcess(process_.hProcess, 99);
            WaitForSingleObject(process_.hProcess, 5000);
        }
        CloseHandle(process_.hProcess);
        CloseHandle(process_.hThread);
    }
    process_ = PROCESS_INFORMATION();
    main_ = nullptr;
}

HWND SetupProcess::Page() const
{
    if (!main_)
        return nullptr;
    return FindWindowExA(main_, nullptr, "#32770", nullptr);
}

std::string SetupProcess::PageTitle() const
{
    HWND page = Page();
    return page ? WindowText(GetDlgItem(page, IDC_PAGE_TITLE)) : std::string();
}

HWND SetupProcess::WaitForPage(const char* title, DWORD timeoutMs) const
{
    HWND page = nullptr;
    WaitUntil([&] {
        page = Page();
        return page && IsWindowVisible(page) && WindowText(GetDlgItem(page, IDC_PAGE_TITLE)) == title;
    }, timeoutMs);
    return page && WindowText(GetDlgItem(page, IDC_PAGE_TITLE)) == title ? page : nullptr;
}

bool SetupProcess::PageHasText(const char* fragment) const
{
    for (const std::string& text : StaticTexts(Page()))
        if (text.find(fragment) != std::string::npos)
            return true;
    return false;
}

HWND SetupProcess::PageItem(int id) const
{
    HWND page = Page();
    return page ? GetDlgItem(page, id) : nullptr;
}

std::string SetupProcess::ItemText(int id) const
{
    return WindowText(PageItem(id));
}

bool SetupProcess::Checked(int pageItemId) const
{
    DWORD_PTR state = 0;
    SendMessageTimeoutA(PageItem(pageItemId), BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, kMessageTimeoutMs, &state);
    return state == BST_CHECKED;
}

int SetupProcess::DefaultButton() const
{
    DWORD_PTR result = 0;
    SendMessageTimeoutA(main_, DM_GETDEFID, 0, 0, SMTO_ABORTIFHUNG, kMessageTimeoutMs, &result);
    return HIWORD(result) == DC_HASDEFID ? LOWORD(result) : 0;
}

void SetupProcess::Click(HWND control) const
{
    PostMessageA(control, BM_CLICK, 0, 0);
}

bool SetupProcess::ToFront() const
{
    HWND target = GetForegroundWindow();
    if (!target || GetWindowThreadProcessId(target, nullptr) != process_.dwThreadId) {
        SetForegroundWindow(main_);
        WaitUntil([&] { return GetWindowThreadProcessId(GetForegroundWindow(), nullptr) == process_.dwThreadId; },
                  2000);
    }
    return GetWindowThreadProcessId(GetForegroundWindow(), nullptr) == process_.dwThreadId;
}

bool SetupProcess::PressKeys(const std::vector<WORD>& keys, bool alt) const
{
    if (!ToFront())
        return false;
    std::vector<INPUT> inputs;
    auto add = [&](WORD vk, DWORD flags) {
        INPUT input = {};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = vk;
        input.ki.dwFlags = flags;
        inputs.push_back(input);
    };
    if (alt)
        add(VK_MENU, 0);
    for (WORD key : keys) {
        add(key, 0);
        add(key, KEYEVENTF_KEYUP);
    }
    if (alt)
        add(VK_MENU, KEYEVENTF_KEYUP);
    bool sent = SendInput(UINT(inputs.size()), inputs.data(), sizeof(INPUT)) == inputs.size();
    Sleep(200);   // the setup's thread takes the keys in its own time
    return sent;
}

bool SetupProcess::TypeText(const char* text) const
{
    if (!ToFront())
        return false;
    std::vector<INPUT> inputs;
    for (const char* p = text; *p; ++p)
        for (DWORD flags : {DWORD(KEYEVENTF_UNICODE), DWORD(KEYEVENTF_UNICODE | KEYEVENTF_KEYUP)}) {
            INPUT input = {};
            input.type = INPUT_KEYBOARD;
            input.ki.wScan = static_cast<unsigned char>(*p);
            input.ki.dwFlags = flags;
            inputs.push_back(input);
        }
    bool sent = SendInput(UINT(inputs.size()), inputs.data(), sizeof(INPUT)) == inputs.size();
    Sleep(200);
    return sent;
}

HWND SetupProcess::Focus() const
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(process_.dwThreadId, &info) ? info.hwndFocus : nullptr;
}

void SetupProcess::SetPageItemText(int id, const char* text) const
{
    DWORD_PTR result = 0;
    SendMessageTimeoutA(PageItem(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                        kMessageTimeoutMs, &result);
}

void SetupProcess::CloseBox() const
{
    PostMessageA(main_, WM_SYSCOMMAND, SC_CLOSE, 0);
}

std::vector<HWND> SetupProcess::MessageBoxes() const
{
    WindowSearch search = {pid_, main_, {}};
    EnumWindows(CollectDialogs, reinterpret_cast<LPARAM>(&search));
    std::vector<HWND> visible;
    for (HWND box : search.found)
        if (IsWindowVisible(box))
            visible.push_back(box);
    return visible;
}

HWND SetupProcess::WaitForMessageBox(DWORD timeoutMs) const
{
    HWND box = nullptr;
    WaitUntil([&] {
        std::vector<HWND> boxes = MessageBoxes();
        box = boxes.empty() ? nullptr : boxes.front();
        return box != nullptr;
    }, timeoutMs);
    return box;
}

std::string SetupProcess::MessageBoxText(HWND box) const
{
    std::string text;
    for (const std::string& part : StaticTexts(box))
        text += part;
    return text;
}

void SetupProcess::Answer(HWND box, int buttonId) const
{
    HWND button = GetDlgItem(box, buttonId);
    if (button)
        PostMessageA(button, BM_CLICK, 0, 0);
    else
        PostMessageA(box, WM_COMMAND, buttonId, 0);
    // The box closes asynchronously; until it has, whoever looks next would
    // still find it and take it for a new question.
    WaitUntil([&] { return !IsWindow(box) || !IsWindowVisible(box); }, 5000);
}
