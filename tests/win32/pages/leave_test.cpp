// LeavePage: the decisions taken between pages, in their fixed order.
#include "pages_fixture.h"
#include "frame/wizard.h"
#include "message_box.h"
#include "upgrade/upgrade.h"

using namespace kovatest;

namespace {

LRESULT CALLBACK ProductWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(window, message, wParam, lParam);
}

// A drive letter that Wine maps to nothing: directories there cannot be made.
char UnmappedDrive()
{
    DWORD drives = GetLogicalDrives();
    for (char letter = 'Q'; letter <= 'Y'; letter++)
        if (!(drives & (1u << (letter - 'A'))))
            return letter;
    return 0;
}

class LeavePageTest : public Fixture {
protected:
    void SetUp() override
    {
        Fixture::SetUp();
        BuildPageList(ProductPageCount);
    }
    void TearDown() override
    {
        if (product_)
            DestroyWindow(product_);
        Fixture::TearDown();
    }
    // The product's main window, as a running copy of KOVA shows it.
    void StartProduct()
    {
        WNDCLASSA cls;
        std::memset(&cls, 0, sizeof cls);
        cls.lpfnWndProc = ProductWindowProc;
        cls.hInstance = GetModuleHandleA(nullptr);
        cls.lpszClassName = "KOVAMAIN";
        RegisterClassA(&cls);
        product_ = CreateWindowExA(0, "KOVAMAIN", "KOVA", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                                   cls.hInstance, nullptr);
        ASSERT_NE(nullptr, product_);
    }
    std::string List() const
    {
        std::string ids;
        for (int i = 0; PageList.Ids[i] != -1; i++)
            ids += char('0' + PageList.Ids[i]);
        return ids;
    }
    HWND product_ = nullptr;
};

TEST_F(LeavePageTest, WelcomeSelectsTheComponentsAndDropsPageOne)
{
    EXPECT_EQ(LeaveNext, LeavePage(PageWelcome));
    EXPECT_EQ("02345678", List());
    for (FileEntry* row = FileTable; row->ComponentKey; row++)
        EXPECT_EQ(1, row->Selected) << row->Name;
    EXPECT_EQ(LeaveNext, LeavePage(PageWelcome));
    EXPECT_EQ("02345678", List());
}

TEST_F(LeavePageTest, DestinationWithAnEarlierProgramBringsTheReplacePageOnce)
{
    SetPageInList(PageNoTemplate, false);
    SetPageInList(PageReplace, false);
    std::string dest = In("dest");
    SetDestination(dest);
    EXPECT_EQ(LeaveNext, LeavePage(PageDestination));
    EXPECT_TRUE(IsDirectory(dest.c_str()));
    EXPECT_EQ("0245678", List());

    ASSERT_TRUE(WriteText(dest + "\\kova.exe"));
    EXPECT_EQ(LeaveNext, LeavePage(PageDestination));
    EXPECT_EQ("02345678", List());
    EXPECT_EQ(LeaveNext, LeavePage(PageDestination));
    EXPECT_EQ("02345678", List());

    DeleteFileA((dest + "\\kova.exe").c_str());
    EXPECT_EQ(LeaveNext, LeavePage(PageDestination));
    EXPECT_EQ("0245678", List());
}

TEST_F(LeavePageTest, RunningProductStopsAfterTheDirectoryIsMade)
{
    StartProduct();
    std::string dest = In("New\\Dir");
    SetDestination(dest);
    ASSERT_TRUE(WriteText(In("kova.exe")));
    MessageBoxAnswer answer("Install", IDOK);
    EXPECT_EQ(LeaveStay, LeavePage(PageDestination));
    answer.Wait();
    EXPECT_TRUE(answer.Answered());
    EXPECT_EQ("A copy of KOVA is already running. Please close the application before continuing with the installation.",
              answer.Text());
    EXPECT_TRUE(IsDirectory(dest.c_str())) << "the directory is made before the product is looked for";
    EXPECT_STREQ("DESTDIRDLG1", Descriptor.PageTemplates[PageDestination]);

    DestroyWindow(product_);
    product_ = nullptr;
    EXPECT_EQ(LeaveNext, LeavePage(PageDestination));
}

TEST_F(LeavePageTest, ABadDirectoryComesBeforeTheRunningProduct)
{
    char drive = UnmappedDrive();
    ASSERT_NE(0, drive);
    StartProduct();
    std::string dest = std::string(1, drive) + ":\\KOVA";
    SetDestination(dest);
    // No message box may appear: a bad directory is reported first.
    EXPECT_EQ(LeaveShowAgain, LeavePage(PageDestination));
    EXPECT_STREQ("DESTDIRDLG2", Descriptor.PageTemplates[PageDestination]);

    // The error form lasts until the next page is left.
    EXPECT_EQ(LeaveNext, LeavePage(PageReady));
    EXPECT_STREQ("DESTDIRDLG1", Descriptor.PageTemplates[PageDestination]);
}

TEST_F(LeavePageTest, ReplaceRemovesTheEarlierInstallation)
{
    SetDestination(Scratch);
    ASSERT_TRUE(WriteText(In("kova.exe")));
    EXPECT_EQ(LeaveNext, LeavePage(PageReplace));
    EXPECT_FALSE(IsExistingFile(In("kova.exe").c_str()));
}

TEST_F(LeavePageTest, RegistryPageWritesTheUninstallEntryForTheProgram)
{
    SetDestination(Scratch);
    std::string key = UninstallKeyOf("KOVA 17.1");
    ProgramSelected = 0;
    EXPECT_EQ(LeaveNext, LeavePage(PageRegistry));
    EXPECT_FALSE(KeyExists(key));
    ProgramSelected = 1;
    EXPECT_EQ(LeaveNext, LeavePage(PageRegistry));
    EXPECT_TRUE(KeyExists(key));
    EXPECT_EQ(LeaveNext, LeavePage(PageCopy));
    EXPECT_EQ(LeaveNext, LeavePage(PageCompletion));
}

} // namespace
