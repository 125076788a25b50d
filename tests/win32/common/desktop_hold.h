// Holds Wine's desktop process (its shell, and the one Program Manager
// server there is) with every thread suspended, for the holder's lifetime:
// a desktop that does not answer, or a session with no desktop at all.
#pragma once
#include <windows.h>
#include <tlhelp32.h>

#include <vector>

class DesktopSuspended {
public:
    // Every explorer process: a shell window opened on the way (the group's
    // folder, say) may run in a process of its own and serve DDE as well.
    DesktopSuspended()
    {
        std::vector<DWORD> shells = ShellProcesses();
        HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
        THREADENTRY32 entry = {};
        entry.dwSize = sizeof entry;
        for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
            bool shell = false;
            for (DWORD pid : shells)
                shell = shell || entry.th32OwnerProcessID == pid;
            if (!shell)
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
    static std::vector<DWORD> ShellProcesses()
    {
        HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        PROCESSENTRY32 entry = {};
        entry.dwSize = sizeof entry;
        std::vector<DWORD> found;
        for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
            if (lstrcmpiA(entry.szExeFile, "explorer.exe") == 0)
                found.push_back(entry.th32ProcessID);
        }
        CloseHandle(snapshot);
        return found;
    }
    std::vector<HANDLE> threads_;
};
