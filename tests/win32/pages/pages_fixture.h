// Scratch state shared by the page tests: a directory C:\kovatest that is
// emptied first, the registry keys the steps write, and the process-wide
// installer state set to a known start.
#pragma once
#include <windows.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "scratch_files.h"
#include "core/descriptor.h"
#include "frame/frame.h"
#include "core/product_tables.h"
#include "frame/page_table.h"
#include "pages/pages.h"
#include "pages/paths.h"

extern FileEntry FileTable[];

namespace kovatest {

const char* const Scratch = "C:\\kovatest";

inline bool WriteText(const std::string& path, const char* text = "x")
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    ::WriteFile(file, text, DWORD(std::strlen(text)), &written, nullptr);
    CloseHandle(file);
    return true;
}

inline std::string ReadText(const std::string& path)
{
    std::string text;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return text;
    char buffer[4096];
    DWORD got = 0;
    while (::ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        text.append(buffer, got);
    CloseHandle(file);
    return text;
}

// The uninstall panel's entry `name`.
inline std::string UninstallKeyOf(const char* name)
{
    return std::string(UninstallRoot) + "\\" + name;
}

inline bool KeyExists(const std::string& path)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

inline void MakeKey(const std::string& path)
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) ==
        ERROR_SUCCESS)
        RegCloseKey(key);
}

// The recorder program's path in Windows form (it is built on the Z: drive).
inline std::string RecorderPath()
{
    return WindowsPath(KOVA_RECORDER);
}

inline bool CopyRecorder(const std::string& to)
{
    return CopyFileA(RecorderPath().c_str(), to.c_str(), FALSE) != FALSE;
}

// Waits until the record file holds at least `lines` lines or the time is up.
inline std::string WaitForRecord(const std::string& file, int lines, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    std::string text;
    for (;;) {
        text = ReadText(file);
        int count = 0;
        for (char c : text)
            count += c == '\n';
        if (count >= lines || GetTickCount() - start > timeoutMs)
            return text;
        Sleep(50);
    }
}

class Fixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        RemoveTree(Scratch);
        ASSERT_TRUE(CreateDirectoryA(Scratch, nullptr));
        for (const char* name : {OlderUninstallKeys[0], OlderUninstallKeys[1], UninstallKeyName})
            RegDeleteKeyA(HKEY_LOCAL_MACHINE, UninstallKeyOf(name).c_str());
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, ProductKey);

        std::memset(&Descriptor, 0, sizeof Descriptor);
        SetProductPages(&Descriptor);
        Descriptor.Files = FileTable;
        for (FileEntry* row = FileTable; row->ComponentKey; row++)
            row->Selected = 0;
        ProgramSelected = 1;
        DatabaseSelected = 1;
        AllocationShift = 9;
        LastDriveLetter = 0;
        DestinationDir[0] = '\0';
        SharedFilesDir[0] = '\0';
        ReplaceOldInstallation = 1;
        LaunchReaderAtExit = 0;
        AppInstance = GetModuleHandleA(nullptr);
        record_ = std::string(Scratch) + "\\record.txt";
        SetEnvironmentVariableA("KOVA_RECORD_FILE", record_.c_str());
    }
    void TearDown() override
    {
        if (PageList.Ids)
            FreePageList();
    }
    void SetDestination(const std::string& dir) { lstrcpynA(DestinationDir, dir.c_str(), sizeof DestinationDir); }
    std::string In(const char* name) const { return std::string(Scratch) + "\\" + name; }

    std::string record_;
};

} // namespace kovatest
