#include "copy_fixture.h"

#include <cstring>
#include <fstream>
#include <sstream>

#include "frame/frame.h"
#include "pages/paths.h"

namespace {

struct BoxSearch {
    HWND found;
};

BOOL CALLBACK FindQuestion(HWND window, LPARAM lParam)
{
    char cls[32] = "";
    char title[32] = "";
    GetClassNameA(window, cls, sizeof cls);
    if (lstrcmpA(cls, "#32770") != 0 || !IsWindowVisible(window))
        return TRUE;
    // Not GetWindowTextA, which would wait for the test thread even while
    // that thread waits for this one to end.
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXT, sizeof title, reinterpret_cast<LPARAM>(title), SMTO_ABORTIFHUNG,
                             50, &result) ||
        lstrcmpA(title, "Install") != 0)
        return TRUE;
    reinterpret_cast<BoxSearch*>(lParam)->found = window;
    return FALSE;
}

}  // namespace

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

bool Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

int64_t FileSize(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return -1;
    return (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::string StagePath(const char* name)
{
    return WindowsPath(std::string(COPY_TEST_STAGE) + "/" + name);
}

FileEntry PackedRow(const char* name)
{
    for (FileEntry* row = FileTable; row->ComponentKey != 0; row++) {
        if (std::strcmp(row->Name, name) == 0)
            return *row;
    }
    ADD_FAILURE() << "no packed row " << name;
    return FileEntry{};
}

uint32_t StoredSize(const FileEntry& row)
{
    return (row.ChunkCount - 1) * row.ChunkSize + row.LastChunkSize;
}

std::string ErrorMessage(int code, const char* argument)
{
    char text[512] = "";
    FormatErrorText(code, argument, text, sizeof text);
    return text;
}

::testing::AssertionResult HasReleaseTime(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return ::testing::AssertionFailure() << path << " is missing";
    const FILETIME* times[3] = {&data.ftCreationTime, &data.ftLastAccessTime, &data.ftLastWriteTime};
    const char* names[3] = {"creation", "access", "write"};
    for (int i = 0; i < 3; i++) {
        FILETIME local;
        SYSTEMTIME t, utc;
        FileTimeToLocalFileTime(times[i], &local);
        FileTimeToSystemTime(&local, &t);
        FileTimeToSystemTime(times[i], &utc);
        if (t.wYear != 2015 || t.wMonth != 5 || t.wDay != 4 || t.wHour != 17 || t.wMinute != 1 || t.wSecond != 0)
            return ::testing::AssertionFailure() << path << " " << names[i] << " time is " << t.wYear << "-"
                                                 << t.wMonth << "-" << t.wDay << " " << t.wHour << ":" << t.wMinute
                                                 << ":" << t.wSecond << " local";
        // Stockholm is never on UTC: the stamp must have been converted.
        if (utc.wHour == 17)
            return ::testing::AssertionFailure() << path << " " << names[i] << " time is 17:01 UTC";
    }
    return ::testing::AssertionSuccess();
}

StopAnswerer::StopAnswerer(CopyEngine* engine, int yesAt)
    : engine_(engine), yesAt_(yesAt), thread_(GetCurrentThreadId())
{
    StopRequested = 1;
    worker_ = std::thread([this] { Run(); });
}

StopAnswerer::~StopAnswerer()
{
    Finish();
}

const std::vector<StopPoint>& StopAnswerer::Finish()
{
    done_ = true;
    if (worker_.joinable())
        worker_.join();
    StopRequested = 0;
    return points_;
}

void StopAnswerer::Run()
{
    volatile int* stop = &StopRequested;
    while (!done_) {
        // Only this test's own question: other test programs may be asking theirs.
        BoxSearch search = {nullptr};
        EnumThreadWindows(thread_, FindQuestion, reinterpret_cast<LPARAM>(&search));
        HWND box = search.found;
        if (box == nullptr) {
            Sleep(1);
            continue;
        }
        StopPoint point;
        point.BytesDone = engine_->BytesDone;
        point.Label = Text(CurrentPage, IDC_STEP_LABEL);
        point.File = Text(CurrentPage, IDC_CURRENT_FILE);
        point.Partial = engine_->PartialFile;
        point.Text = Text(box, 0xFFFF);
        points_.push_back(point);
        bool yes = yesAt_ != 0 && static_cast<int>(points_.size()) == yesAt_;
        if (!yes)
            *stop = 1;
        int button = yes ? IDYES : IDNO;
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(box, button)));
        while (IsWindow(box) && !done_)
            Sleep(1);
    }
}

void CopyTest::SetUp()
{
    UseFontsFolder = 1;
    CurrentCopyEngine = nullptr;
    ASSERT_NE(OpenTestMainWindow(), nullptr);
    // The stop question is found by its caption; the main window's must differ.
    SetWindowTextA(MainWindow, "Copy test");
    page_ = CreateDialogParamA(AppInstance, "COPYFILESDLG", MainWindow, TestMainProc, 0);
    ASSERT_NE(page_, nullptr);
    SubclassProgressBar(page_);
    ShowWindow(page_, SW_SHOW);
    CurrentPage = page_;

    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string dir = std::string("C:\\copytest\\") + info->name();
    RemoveTree(dir);
    CreateDirectoryA("C:\\copytest", nullptr);
    ASSERT_TRUE(CreateDirectoryA(dir.c_str(), nullptr));
    target_ = dir + "\\";
    SetDestinationDir(dir.c_str());

    descriptor_ = InstallDescriptor{};
    descriptor_.ReleaseDay = 4;
    descriptor_.ReleaseMonth = 5;
    descriptor_.ReleaseYear = 15;
    descriptor_.Version = 0x1701;
}

void CopyTest::TearDown()
{
    Destroy();
    if (engine_ != nullptr)
        FreeCopyEngine(engine_);
    engine_ = nullptr;
    CurrentCopyEngine = nullptr;
    CloseTestMainWindow();
}

CopyEngine* CopyTest::Start(std::vector<FileEntry> rows, bool select)
{
    rows_ = rows;
    for (FileEntry& row : rows_)
        row.Selected = select ? 1 : 0;
    rows_.push_back(FileEntry{});
    descriptor_.Files = rows_.data();
    session_ = InstallSession{&descriptor_, DestinationDir, UseFontsFolder, WizardHost()};
    engine_ = CreateCopyEngine(&session_);
    CurrentCopyEngine = engine_;
    return engine_;
}

bool CopyTest::Copy()
{
    return PrepareTargets(engine_) && CopyAllFiles(engine_);
}

void CopyTest::Destroy()
{
    if (engine_ != nullptr && !destroyed_)
        DestroyCopyEngine(engine_);
    destroyed_ = true;
}
