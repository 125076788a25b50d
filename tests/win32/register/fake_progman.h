// A scripted Program Manager: a raw DDE server for "PROGMAN"/"PROGMAN" on its
// own thread, for the cases the system's server cannot show (an existing
// group, refusals, silence, other formats).
#pragma once
#include <windows.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

enum class Answer {
    Data,          // CF_TEXT data with the scripted text
    NegativeAck,   // refuse the request
    OtherFormat,   // data in a format other than CF_TEXT
    Silence        // say nothing
};

struct ProgmanScript {
    std::string GroupList = "Main\r\nAccessories\r\n";
    std::string GroupContents;          // reply for any group item
    Answer GroupListAnswer = Answer::Data;
    Answer GroupItemsAnswer = Answer::Data;
    bool StrayAckAfterData = false;     // follow data with a positive ack naming the item
    std::string StrayItemName;          // the item the stray ack names; empty: the requested one
    bool AnswerExecute = true;          // false: never acknowledge the execute
    DWORD ExecuteAckDelayMs = 0;
};

class FakeProgman {
public:
    explicit FakeProgman(const ProgmanScript& script);
    ~FakeProgman();

    std::vector<std::string> Executes();
    // Item names requested, in upper case (atoms keep the case they were first made with).
    std::vector<std::string> Requests();
    // The statuses of the acknowledgements the client sent for our data.
    std::vector<WORD> DataAcks();
    bool Terminated();
    int Initiates();
    // True when the client ended the conversation before its execute was acknowledged.
    bool TerminatedBeforeExecuteAck();
    HWND Window() const { return window_; }

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void Run();
    void OnInitiate(HWND window, WPARAM wParam, LPARAM lParam);
    void OnRequest(HWND window, WPARAM wParam, LPARAM lParam);
    void OnExecute(HWND window, WPARAM wParam, LPARAM lParam);
    void SendData(HWND window, HWND client, ATOM item, const std::string& text, WORD format);

    ProgmanScript script_;
    std::mutex lock_;
    std::vector<std::string> executes_;
    std::vector<std::string> requests_;
    std::vector<WORD> dataAcks_;
    bool terminated_ = false;
    int initiates_ = 0;
    bool executeAcked_ = false;
    bool terminatedEarly_ = false;
    HWND client_ = nullptr;
    HGLOBAL pendingExecute_ = nullptr;
    HWND window_ = nullptr;
    HANDLE ready_ = nullptr;
    DWORD threadId_ = 0;
    std::thread thread_;
};
