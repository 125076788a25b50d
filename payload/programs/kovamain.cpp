// KOVA main program, demonstration build: one top-level window of class
// KOVAMAIN (the installer looks for it to tell that KOVA is running) that
// names the library it was opened with and the library module beside it.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "kovamain_res.h"
#include "demo_util.h"

namespace {

const char kClassName[] = "KOVAMAIN";
const char kTitle[] = "KOVA";

struct MainState {
    char library[MAX_PATH];
    char module[160];
};

MainState g_state;

// The command line after the program name is the library to open, as the
// file type's open command passes it, possibly in quotes.
void ReadLibraryArgument(const char *args)
{
    while (*args == ' ' || *args == '\t')
        ++args;
    std::strncpy(g_state.library, args, sizeof(g_state.library) - 1);
    g_state.library[sizeof(g_state.library) - 1] = '\0';
    size_t len = std::strlen(g_state.library);
    while (len > 0 && (g_state.library[len - 1] == ' ' || g_state.library[len - 1] == '\t'))
        g_state.library[--len] = '\0';
    if (len >= 2 && g_state.library[0] == '"' && g_state.library[len - 1] == '"') {
        std::memmove(g_state.library, g_state.library + 1, len - 2);
        g_state.library[len - 2] = '\0';
    }
}

// Loaded at run time so that the program also starts without the module.
void DescribeLibraryModule()
{
    typedef int(WINAPI * GetVersionProc)(void);
    char path[MAX_PATH];
    std::strcpy(g_state.module, "Library module zrwin32.dll: not found");
    if (!GetProgramDir(path, sizeof(path)) || std::strlen(path) + 13 >= sizeof(path))
        return;
    std::strcat(path, "\\zrwin32.dll");
    HMODULE dll = LoadLibraryA(path);
    if (!dll)
        return;
    GetVersionProc getVersion = reinterpret_cast<GetVersionProc>(
        reinterpret_cast<void *>(GetProcAddress(dll, "ZrGetVersion")));
    if (getVersion) {
        int version = getVersion();
        std::snprintf(g_state.module, sizeof(g_state.module), "Library module zrwin32.dll: version %d.%d",
                      (version >> 8) & 0xFF, version & 0xFF);
    }
    FreeLibrary(dll);
}

void OnPaint(HWND hwnd)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    char library[MAX_PATH + 16];
    std::snprintf(library, sizeof(library), "Library: %s", g_state.library[0] ? g_state.library : "(none)");
    const char *lines[] = {
        "KOVA 17.1",
        "Kovalith library browser, demonstration build.",
        library,
        g_state.module,
    };
    HICON icon = LoadIconA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDI_KOVA));
    if (icon)
        DrawIcon(dc, 16, 16, icon);
    int y = 16;
    for (const char *line : lines) {
        TextOutA(dc, 64, y, line, static_cast<int>(std::strlen(line)));
        y += 20;
    }
    SelectObject(dc, oldFont);
    EndPaint(hwnd, &ps);
}

LRESULT CALLBACK MainWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_PAINT:
        OnPaint(hwnd);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

int RegisterMainClass(HINSTANCE instance)
{
    WNDCLASSA wc;
    std::memset(&wc, 0, sizeof(wc));
    wc.lpfnWndProc = MainWindowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_KOVA));
    wc.hCursor = LoadCursorA(NULL, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kClassName;
    return RegisterClassA(&wc) != 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR args, int show)
{
    ReadLibraryArgument(args ? args : "");
    DescribeLibraryModule();
    if (!RegisterMainClass(instance))
        return 1;
    HWND hwnd = CreateWindowExA(0, kClassName, kTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 480,
                                240, NULL, NULL, instance, NULL);
    if (!hwnd)
        return 1;
    ShowWindow(hwnd, show);
    UpdateWindow(hwnd);

    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}
