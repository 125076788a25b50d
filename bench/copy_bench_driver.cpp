// Runs the copy engine over the demo payload, as the copy page does (the
// page's own engine and progress bar, the main window pumping), into the
// directory given; prints the seconds from the start of PrepareTargets to
// the end of CopyAllFiles and the process's peak working set.
#include <windows.h>
#include <cstdio>

#include "frame/frame.h"
#include "pages/paths.h"
#include "payload/copy_engine.h"

namespace {

INT_PTR CALLBACK IdleProc(HWND, UINT, WPARAM, LPARAM)
{
    return 0;
}

struct MemoryCounters {
    DWORD cb;
    DWORD PageFaultCount;
    SIZE_T PeakWorkingSetSize, WorkingSetSize, QuotaPeakPagedPoolUsage, QuotaPagedPoolUsage;
    SIZE_T QuotaPeakNonPagedPoolUsage, QuotaNonPagedPoolUsage, PagefileUsage, PeakPagefileUsage;
};

SIZE_T PeakWorkingSet()
{
    typedef BOOL(WINAPI * Query)(HANDLE, MemoryCounters*, DWORD);
    Query query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "K32GetProcessMemoryInfo")));
    MemoryCounters counters = {sizeof counters};
    if (query == nullptr || !query(GetCurrentProcess(), &counters, sizeof counters))
        return 0;
    return counters.PeakWorkingSetSize;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    AppInstance = GetModuleHandleA(nullptr);
    MainWindow = CreateDialogParamA(AppInstance, "MAINDLG", nullptr, IdleProc, 0);
    HWND page = CreateDialogParamA(AppInstance, "COPYFILESDLG", MainWindow, IdleProc, 0);
    SubclassProgressBar(page);
    ShowWindow(page, SW_SHOW);
    UseFontsFolder = 1;
    InstallDescriptor descriptor = {};
    descriptor.ReleaseDay = 4;
    descriptor.ReleaseMonth = 5;
    descriptor.ReleaseYear = 15;
    descriptor.Version = 0x1701;
    descriptor.Files = FileTable;
    SelectComponent(&descriptor, 0, 1);
    for (FileEntry* row = FileTable; row->ComponentKey != 0; row++)
        row->Selected = 1;
    SetDestinationDir(argv[1]);
    SIZE_T before = PeakWorkingSet();
    CopyEngine* engine = CreateCopyEngine(page, &descriptor);
    CurrentCopyEngine = engine;
    LARGE_INTEGER start, end, f;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&start);
    bool ok = PrepareTargets(engine) && CopyAllFiles(engine);
    QueryPerformanceCounter(&end);
    if (!ok) {
        std::printf("failed: code %d %s\n", engine->ErrorCode, engine->ErrorArg ? engine->ErrorArg : "");
        return 1;
    }
    std::printf("%.4f %lu %lu\n", double(end.QuadPart - start.QuadPart) / double(f.QuadPart),
                static_cast<unsigned long>(PeakWorkingSet()), static_cast<unsigned long>(before));
    DestroyCopyEngine(engine);
    FreeCopyEngine(engine);
    return 0;
}
