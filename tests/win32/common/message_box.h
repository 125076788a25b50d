// Answers the message box a test expects, from a second thread, while the
// code under test sits in MessageBoxA on the test's own thread.
#pragma once
#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class MessageBoxAnswer {
public:
    // Waits up to timeoutMs for a dialog-class window captioned `caption`
    // (null: any caption) in this process, records its text and presses `button`.
    MessageBoxAnswer(const char* caption, int button, DWORD timeoutMs = 10000)
        : caption_(caption ? caption : ""), anyCaption_(caption == nullptr), button_(button)
    {
        worker_ = std::thread([this, timeoutMs] { Run(timeoutMs); });
    }
    ~MessageBoxAnswer() { Wait(); }

    void Wait()
    {
        if (worker_.joinable())
            worker_.join();
    }
    bool Answered() const { return answered_; }
    // The text of the box (valid after Wait).
    const std::string& Text() const { return text_; }

private:
    struct Search {
        const MessageBoxAnswer* self;
        HWND found;
    };

    static BOOL CALLBACK Visit(HWND window, LPARAM lParam)
    {
        Search* search = reinterpret_cast<Search*>(lParam);
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        char cls[32] = "";
        GetClassNameA(window, cls, sizeof cls);
        if (pid != GetCurrentProcessId() || lstrcmpA(cls, "#32770") != 0 || !IsWindowVisible(window))
            return TRUE;
        char title[256] = "";
        GetWindowTextA(window, title, sizeof title);
        if (!search->self->anyCaption_ && search->self->caption_ != title)
            return TRUE;
        // A message box has a static text control 0xFFFF.
        if (!GetDlgItem(window, 0xFFFF))
            return TRUE;
        search->found = window;
        return FALSE;
    }

    void Run(DWORD timeoutMs)
    {
        DWORD start = GetTickCount();
        while (GetTickCount() - start < timeoutMs) {
            Search search = {this, nullptr};
            EnumWindows(Visit, reinterpret_cast<LPARAM>(&search));
            if (search.found) {
                char text[1024] = "";
                GetDlgItemTextA(search.found, 0xFFFF, text, sizeof text);
                text_ = text;
                PostMessageA(search.found, WM_COMMAND, MAKEWPARAM(button_, BN_CLICKED),
                             reinterpret_cast<LPARAM>(GetDlgItem(search.found, button_)));
                answered_ = true;
                return;
            }
            Sleep(20);
        }
    }

    std::string caption_;
    bool anyCaption_;
    int button_;
    std::string text_;
    std::atomic<bool> answered_{false};
    std::thread worker_;
};

// Answers every message box of this process with OK, each after holding it
// `holdMs` (a user who reads first), and records it, until stopped.
class BoxWatcher {
public:
    struct Box {
        std::string caption;
        std::string text;
    };

    explicit BoxWatcher(DWORD holdMs = 0) : holdMs_(holdMs), worker_([this] { Run(); }) {}
    ~BoxWatcher() { Stop(); }
    void Stop()
    {
        stop_ = true;
        if (worker_.joinable())
            worker_.join();
    }
    std::vector<Box> Boxes()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return boxes_;
    }

private:
    static BOOL CALLBACK Visit(HWND window, LPARAM lParam)
    {
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        char cls[32] = "";
        GetClassNameA(window, cls, sizeof cls);
        if (pid == GetCurrentProcessId() && lstrcmpA(cls, "#32770") == 0 && IsWindowVisible(window)
            && GetDlgItem(window, 0xFFFF)) {
            *reinterpret_cast<HWND*>(lParam) = window;
            return FALSE;
        }
        return TRUE;
    }

    void Run()
    {
        while (!stop_) {
            HWND box = nullptr;
            EnumWindows(Visit, reinterpret_cast<LPARAM>(&box));
            if (box && box != last_) {
                char caption[256] = "";
                char text[1024] = "";
                GetWindowTextA(box, caption, sizeof caption);
                GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
                {
                    std::lock_guard<std::mutex> lock(mutex_);
                    boxes_.push_back({caption, text});
                }
                last_ = box;
                Sleep(holdMs_);
                PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
            }
            Sleep(20);
        }
    }

    DWORD holdMs_;
    std::atomic<bool> stop_{false};
    HWND last_ = nullptr;
    std::mutex mutex_;
    std::vector<Box> boxes_;
    std::thread worker_;
};

// Runs the calling thread's message queue for `ms` milliseconds.
inline void PumpFor(DWORD ms)
{
    DWORD start = GetTickCount();
    MSG msg;
    while (GetTickCount() - start < ms) {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(5);
    }
}
