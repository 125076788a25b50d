// Holds Wine's desktop process (its shell, and the one Program Manager
// server there is) with every thread suspended, for the holder's lifetime:
// a desktop that does not answer, or a session with no desktop at all.
#pragma once
#include <windows.h>
#include <tlhelp32.h>

#include <vector>

class DesktopSuspended {
public:
    DesktopSuspended()
    {
        DWORD desktop = DesktopProcess();
        if (!desktop)
            return;
        HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
        THREADENTRY32 entry = {};
        entry.dwSize = sizeof entry;
        for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
            if (entry.th32OwnerProcessID != desktop)
                continue;
            HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME, FALSE, entry.th32ThreadID);
            if (thread && SuspendThread(thread) != DWORD(-1))
                threads_.push_back(thread);
            else if (thread)
                CloseHandle(thread);
        }
        CloseHandle(snapshot);
    }
    ~DesktopSuspended()
    {
        for (HANDLE thread : threads_) {
            ResumeThread(thread);
            CloseHandle(thread);
        }
    }
    size_t Threads() const { return threads_.size(); }

private:
    static DWORD DesktopProcess()
    {
        HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        PROCESSENTRY32 entry = {};
        entry.dwSize = sizeof entry;
        DWORD found = 0;
        for (BOOL more = Process32First(snapshot, &entry); more && !found; more = Process32Next(snapshot, &entry)) {
            if (lstrcmpiA(entry.szExeFile, "explorer.exe") == 0)
                found = entry.th32ProcessID;
        }
        CloseHandle(snapshot);
        return found;
    }
    std::vector<HANDLE> threads_;
};

