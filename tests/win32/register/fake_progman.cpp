#include "fake_progman.h"

#include <dde.h>

#include <cstring>

namespace {

const char* const ClassName = "KovaTestProgman";
const UINT_PTR ExecuteAckTimer = 1;

std::string AtomName(ATOM atom)
{
    char name[256] = "";
    GlobalGetAtomNameA(atom, name, sizeof name);
    return name;
}

} // namespace

FakeProgman::FakeProgman(const ProgmanScript& script) : script_(script)
{
    ready_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    thread_ = std::thread([this] { Run(); });
    WaitForSingleObject(ready_, 10000);
}

FakeProgman::~FakeProgman()
{
    if (threadId_)
        PostThreadMessageA(threadId_, WM_QUIT, 0, 0);
    if (thread_.joinable())
        thread_.join();
    CloseHandle(ready_);
}

void FakeProgman::Run()
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = ClassName;
    RegisterClassA(&wc);
    // Topmost, so the broadcast reaches this server before the system's one.
    window_ = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, ClassName, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                              wc.hInstance, this);
    SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    threadId_ = GetCurrentThreadId();
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE); // the thread's queue exists from here on
    SetEvent(ready_);
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    DestroyWindow(window_);
}

LRESULT CALLBACK FakeProgman::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    FakeProgman* self = reinterpret_cast<FakeProgman*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!self)
        return DefWindowProcA(window, message, wParam, lParam);
    return self->Handle(window, message, wParam, lParam);
}

LRESULT FakeProgman::Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_DDE_INITIATE:
        OnInitiate(window, wParam, lParam);
        return 0;
    case WM_DDE_REQUEST:
        OnRequest(window, wParam, lParam);
        return 0;
    case WM_DDE_EXECUTE:
        OnExecute(window, wParam, lParam);
        return 0;
    case WM_DDE_ACK: {
        UINT_PTR status = 0;
        UINT_PTR item = 0;
        if (UnpackDDElParam(WM_DDE_ACK, lParam, &status, &item)) {
            FreeDDElParam(WM_DDE_ACK, lParam);
            GlobalDeleteAtom(ATOM(item));
            std::lock_guard<std::mutex> guard(lock_);
            dataAcks_.push_back(WORD(status));
        }
        return 0;
    }
    case WM_TIMER:
        if (wParam == ExecuteAckTimer) {
            KillTimer(window, ExecuteAckTimer);
            {
                std::lock_guard<std::mutex> guard(lock_);
                executeAcked_ = true;
            }
            PostMessageA(client_, WM_DDE_ACK, reinterpret_cast<WPARAM>(window),
                         PackDDElParam(WM_DDE_ACK, 0x8000, reinterpret_cast<UINT_PTR>(pendingExecute_)));
        }
        return 0;
    case WM_DDE_TERMINATE: {
        std::lock_guard<std::mutex> guard(lock_);
        terminated_ = true;
        terminatedEarly_ = !executes_.empty() && !executeAcked_;
        if (IsWindow(reinterpret_cast<HWND>(wParam)))
            PostMessageA(reinterpret_cast<HWND>(wParam), WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(window), 0);
        return 0;
    }
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

void FakeProgman::OnInitiate(HWND window, WPARAM wParam, LPARAM lParam)
{
    {
        std::lock_guard<std::mutex> guard(lock_);
        ++initiates_;
    }
    if (lstrcmpiA(AtomName(LOWORD(lParam)).c_str(), "PROGMAN") != 0 ||
        lstrcmpiA(AtomName(HIWORD(lParam)).c_str(), "PROGMAN") != 0)
        return;
    client_ = reinterpret_cast<HWND>(wParam);
    SendMessageA(client_, WM_DDE_ACK, reinterpret_cast<WPARAM>(window),
                 MAKELPARAM(GlobalAddAtomA("PROGMAN"), GlobalAddAtomA("PROGMAN")));
}

void FakeProgman::OnRequest(HWND window, WPARAM wParam, LPARAM lParam)
{
    HWND client = reinterpret_cast<HWND>(wParam);
    ATOM item = HIWORD(lParam);
    std::string name = AtomName(item);
    {
        std::lock_guard<std::mutex> guard(lock_);
        std::string upper = name;
        CharUpperA(&upper[0]);
        requests_.push_back(upper);
    }
    bool groups = lstrcmpiA(name.c_str(), "PROGMAN") == 0;
    Answer answer = groups ? script_.GroupListAnswer : script_.GroupItemsAnswer;
    const std::string& text = groups ? script_.GroupList : script_.GroupContents;
    switch (answer) {
    case Answer::Data:
        SendData(window, client, item, text, CF_TEXT);
        break;
    case Answer::OtherFormat:
        SendData(window, client, item, text, CF_OEMTEXT);
        break;
    case Answer::NegativeAck:
        PostMessageA(client, WM_DDE_ACK, reinterpret_cast<WPARAM>(window), PackDDElParam(WM_DDE_ACK, 0, item));
        break;
    case Answer::Silence:
        GlobalDeleteAtom(item);
        break;
    }
    if (answer == Answer::Data && script_.StrayAckAfterData)
        PostMessageA(client, WM_DDE_ACK, reinterpret_cast<WPARAM>(window),
                     PackDDElParam(WM_DDE_ACK, 0x8000,
                                   GlobalAddAtomA(script_.StrayItemName.empty() ? name.c_str() : script_.StrayItemName.c_str())));
}

void FakeProgman::SendData(HWND window, HWND client, ATOM item, const std::string& text, WORD format)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, 4 + text.size() + 1);
    BYTE* bytes = static_cast<BYTE*>(GlobalLock(block));
    WORD flags = 0x8000 | 0x2000 | 0x1000; // fAckReq, fRelease, fResponse
    std::memcpy(bytes, &flags, 2);
    std::memcpy(bytes + 2, &format, 2);
    std::memcpy(bytes + 4, text.c_str(), text.size() + 1);
    GlobalUnlock(block);
    PostMessageA(client, WM_DDE_DATA, reinterpret_cast<WPARAM>(window),
                 PackDDElParam(WM_DDE_DATA, reinterpret_cast<UINT_PTR>(block), item));
}

void FakeProgman::OnExecute(HWND window, WPARAM wParam, LPARAM lParam)
{
    HGLOBAL block = reinterpret_cast<HGLOBAL>(lParam);
    const char* text = static_cast<const char*>(GlobalLock(block));
    std::string command;
    if (text) {
        const void* end = std::memchr(text, '\0', GlobalSize(block));
        command.assign(text, end ? static_cast<const char*>(end) - text : GlobalSize(block));
    }
    GlobalUnlock(block);
    {
        std::lock_guard<std::mutex> guard(lock_);
        executes_.push_back(command);
    }
    client_ = reinterpret_cast<HWND>(wParam);
    pendingExecute_ = block;
    if (script_.AnswerExecute)
        SetTimer(window, ExecuteAckTimer, script_.ExecuteAckDelayMs ? script_.ExecuteAckDelayMs : 1, nullptr);
}

std::vector<std::string> FakeProgman::Executes()
{
    std::lock_guard<std::mutex> guard(lock_);
    return executes_;
}

std::vector<std::string> FakeProgman::Requests()
{
    std::lock_guard<std::mutex> guard(lock_);
    return requests_;
}

int FakeProgman::Initiates()
{
    std::lock_guard<std::mutex> guard(lock_);
    return initiates_;
}

std::vector<WORD> FakeProgman::DataAcks()
{
    std::lock_guard<std::mutex> guard(lock_);
    return dataAcks_;
}

bool FakeProgman::Terminated()
{
    std::lock_guard<std::mutex> guard(lock_);
    return terminated_;
}

bool FakeProgman::TerminatedBeforeExecuteAck()
{
    std::lock_guard<std::mutex> guard(lock_);
    return terminatedEarly_;
}
