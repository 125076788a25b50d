// Shared set-up of the copy tests: a main window and a COPYFILESDLG page to
// own the engine, a fresh target directory, rows taken from the packed test
// payload, and a thread that answers the stop question.
#pragma once
#include "scratch_files.h"
#include "test_windows.h"
#include <windows.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "core/descriptor.h"
#include "frame/resource_ids.h"
#include "payload/copy_engine.h"

std::string ReadAll(const std::string& path);
bool Exists(const std::string& path);
int64_t FileSize(const std::string& path);  // -1 when missing
// The staged original of a payload file.
std::string StagePath(const char* name);
// The packed row of that name (ASSERTs that it exists).
FileEntry PackedRow(const char* name);
uint32_t StoredSize(const FileEntry& row);
// The error page's text for a code and its argument.
std::string ErrorMessage(int code, const char* argument);
// Every one of the three times, in local time, is 2015-05-04 17:01:00.
::testing::AssertionResult HasReleaseTime(const std::string& path);

// What the engine showed when the stop question came up.
struct StopPoint {
    uint32_t BytesDone;
    std::string Label;     // IDC_STEP_LABEL
    std::string File;      // IDC_CURRENT_FILE
    std::string Partial;   // PartialFile
    std::string Text;      // the question
};

// Sets StopRequested so that every ConfirmAbort asks; answers No, asking
// again at the next point, up to the yesAt-th question (1-based), which is
// answered Yes. yesAt 0: No to every question.
class StopAnswerer {
public:
    StopAnswerer(CopyEngine* engine, int yesAt);
    ~StopAnswerer();
    // Stops the thread and clears StopRequested; the points are then final.
    const std::vector<StopPoint>& Finish();

private:
    void Run();
    CopyEngine* engine_;
    int yesAt_;
    DWORD thread_;  // the thread that runs the copy and asks
    std::atomic<bool> done_{false};
    std::vector<StopPoint> points_;
    std::thread worker_;
};

class CopyTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Target directory of this test, with its trailing '\'.
    std::string Target(const char* name = "") const { return target_ + name; }
    // Takes the rows (a terminator is added), marks them selected unless
    // told otherwise, and creates the engine.
    CopyEngine* Start(std::vector<FileEntry> rows, bool select = true);
    bool Copy();
    void Destroy();
    FileEntry& Row(size_t i) { return rows_[i]; }

    HWND page_ = nullptr;
    InstallSession session_{};
    CopyEngine* engine_ = nullptr;
    InstallDescriptor descriptor_ = {};
    std::vector<FileEntry> rows_;
    std::string target_;
    bool destroyed_ = false;
};
