#include "harness.h"

#include "test_windows.h"

#include "register/reg_layer.h"

#include <vector>

namespace {

void DeleteTree(HKEY parent, const char* name)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(parent, name, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return;
    std::vector<std::string> subKeys;
    char sub[256];
    DWORD size = sizeof sub;
    for (DWORD i = 0; size = sizeof sub, RegEnumKeyExA(key, i, sub, &size, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS; ++i)
        subKeys.push_back(sub);
    for (const std::string& subKey : subKeys)
        DeleteTree(key, subKey.c_str());
    RegCloseKey(key);
    RegDeleteKeyA(parent, name);
}

} // namespace

bool PumpUntil(const std::function<bool()>& done, DWORD ms)
{
    DWORD start = GetTickCount();
    MSG msg;
    while (!done()) {
        if (GetTickCount() - start >= ms)
            return false;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (!MainWindow || !IsDialogMessageA(MainWindow, &msg)) {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
        }
        Sleep(5);
    }
    return true;
}

void WizardHarness::SetUp()
{
    SavedDescriptor = Descriptor;
    ASSERT_NE(OpenTestMainWindow(), nullptr);
    Templates[PageReady] = ProductPages[PageReady].Template;
    Procedures[PageReady] = ProductPages[PageReady].Procedure;
    Descriptor = InstallDescriptor{};
    Descriptor.PageCount = ProductPageCount;
    Descriptor.FirstWorkPage = ProductFirstWorkPage;
    Descriptor.PageTemplates = Templates;
    Descriptor.PageProcedures = Procedures;
}

void WizardHarness::TearDown()
{
    CloseTestMainWindow();
    PageList = PageListState{nullptr, 0};
    Descriptor = SavedDescriptor;
}

void WizardHarness::ShowWorkPage(const char* templateName, DLGPROC procedure)
{
    Templates[PageCopy] = templateName;
    Procedures[PageCopy] = procedure;
    PageList = PageListState{Walk, ProductPageCount};
    CurrentPosition = 0;
    ASSERT_NE(CreatePage(templateName, procedure), nullptr);
}

std::string WizardHarness::PageTitle()
{
    char text[256] = "";
    if (CurrentPage)
        GetDlgItemTextA(CurrentPage, IDC_PAGE_TITLE, text, sizeof text);
    return text;
}

std::string WizardHarness::ErrorText()
{
    char text[512] = "";
    if (CurrentPage)
        GetDlgItemTextA(CurrentPage, IDC_ERROR_TEXT, text, sizeof text);
    return text;
}

std::string ReadValue(HKEY root, const std::string& key, const char* name)
{
    HKEY opened = nullptr;
    if (RegOpenKeyExA(RegistryRoot(root), key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return "<none>";
    char data[2048] = "";
    DWORD size = sizeof data - 1;
    DWORD type = 0;
    LONG result = RegQueryValueExA(opened, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(opened);
    if (result != ERROR_SUCCESS)
        return "<none>";
    if (type == REG_DWORD)
        return std::to_string(*reinterpret_cast<DWORD*>(data));
    return data;
}

bool KeyExists(HKEY root, const std::string& key)
{
    HKEY opened = nullptr;
    if (RegOpenKeyExA(RegistryRoot(root), key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return false;
    RegCloseKey(opened);
    return true;
}

void ClearKey(HKEY root, const std::string& key)
{
    DeleteTree(RegistryRoot(root), key.c_str());
}

void WriteValue(HKEY root, const std::string& key, const std::string& text)
{
    HKEY opened = nullptr;
    ASSERT_EQ(RegCreateKeyExA(RegistryRoot(root), key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &opened, nullptr), ERROR_SUCCESS);
    RegSetValueExA(opened, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), DWORD(text.size() + 1));
    RegCloseKey(opened);
}
