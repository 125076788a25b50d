// The wizard's navigation rules and the descriptor's selection, natively.
#include <gtest/gtest.h>

#include <vector>

#include "core/descriptor.h"
#include "core/navigation.h"

namespace {

std::vector<int> Walk(const PageListState& list)
{
    std::vector<int> ids;
    for (int i = 0; list.Ids[i] != -1; i++)
        ids.push_back(list.Ids[i]);
    return ids;
}

class PageListTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(PageListBuild(&list, 9)); }
    void TearDown() override { PageListFree(&list); }
    PageListState list;
};

TEST_F(PageListTest, StartsWithEveryIdInOrderAndTerminator)
{
    EXPECT_EQ(Walk(list), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(list.Ids[9], -1);
}

TEST_F(PageListTest, TheProductWalkRemovesAndReinsertsTheReplacePage)
{
    PageListSet(&list, 1, false); // welcome page left
    PageListSet(&list, 3, false); // no older installation
    EXPECT_EQ(Walk(list), (std::vector<int>{0, 2, 4, 5, 6, 7, 8}));
    PageListSet(&list, 3, true); // older installation found
    PageListSet(&list, 3, true); // Next twice: the list does not grow
    EXPECT_EQ(Walk(list), (std::vector<int>{0, 2, 3, 4, 5, 6, 7, 8}));
    PageListSet(&list, 1, false); // removing an absent id changes nothing
    EXPECT_EQ(Walk(list), (std::vector<int>{0, 2, 3, 4, 5, 6, 7, 8}));
}

TEST_F(PageListTest, ButtonsAlongTheProductWalk)
{
    auto buttons = [&](int position) {
        PageButtons b = PageButtonsAt(list, position, 5);
        return std::vector<bool>{b.SetByFrame, b.Back, b.Next, b.Work};
    };
    PageListSet(&list, 1, false);
    // welcome, destination (its own buttons), replace, ready (never Back), copy ... completion
    EXPECT_EQ(buttons(0), (std::vector<bool>{true, false, true, false}));
    EXPECT_FALSE(PageButtonsAt(list, 1, 5).SetByFrame);
    EXPECT_EQ(buttons(2), (std::vector<bool>{true, true, true, false}));
    EXPECT_EQ(buttons(3), (std::vector<bool>{true, false, true, false}));
    for (int position = 4; position <= 7; position++)
        EXPECT_EQ(buttons(position), (std::vector<bool>{true, false, false, true})) << position;
    // Without the replace page the ready page follows the destination, still without Back.
    PageListSet(&list, 3, false);
    EXPECT_EQ(buttons(2), (std::vector<bool>{true, false, true, false}));
}

TEST_F(PageListTest, RemovingEveryIdAndPuttingThemBackKeepsOrderAndBounds)
{
    for (int id = 8; id >= 0; id--)
        PageListSet(&list, id, false);
    EXPECT_EQ(list.Ids[0], -1);
    for (int id : {4, 0, 8, 2, 6, 1, 7, 3, 5})
        PageListSet(&list, id, true);
    EXPECT_EQ(Walk(list), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(list.Ids[9], -1);
}

TEST_F(PageListTest, IdsOutsideThePageCountAreIgnored)
{
    PageListSet(&list, 9, true);
    PageListSet(&list, -1, true);
    PageListSet(&list, 42, false);
    EXPECT_EQ(Walk(list), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8}));
}

TEST(OperatingSystemDecision, ProductFlagsSupportEveryWin32Family)
{
    const int flags = 14;
    struct Case {
        uint32_t platform, major;
        bool supported;
        int fontsFolder;
    } cases[] = {
        {0, 3, false, 0}, // Win32s
        {1, 4, true, 1},  // Windows 95/98
        {2, 4, true, 1},  // NT 4.0
        {2, 5, true, 0},  // later NT: fonts to SYSTEM
        {2, 10, true, 0},
        {3, 6, false, 1}, // unknown platform
    };
    for (const Case& c : cases) {
        OsDecision d = DecideOperatingSystem(flags, OsVersion{c.platform, c.major});
        EXPECT_EQ(d.Supported, c.supported) << "platform " << c.platform << " major " << c.major;
        EXPECT_EQ(d.UseFontsFolder, c.fontsFolder) << "platform " << c.platform << " major " << c.major;
    }
}

TEST(OperatingSystemDecision, EachFlagBitGatesItsFamily)
{
    EXPECT_FALSE(DecideOperatingSystem(14 & ~2, OsVersion{1, 4}).Supported);
    EXPECT_FALSE(DecideOperatingSystem(14 & ~8, OsVersion{2, 4}).Supported);
    OsDecision later = DecideOperatingSystem(0, OsVersion{2, 6});
    EXPECT_TRUE(later.Supported);
    EXPECT_EQ(later.UseFontsFolder, 1);
}

TEST(InstalledFolderCut, BackslashForwardSlashAndNothing)
{
    char out[261];
    CutInstalledFolder("D:\\Apps\\KOVA\\kovamain.exe", out, sizeof out);
    EXPECT_STREQ(out, "D:\\Apps\\KOVA");
    CutInstalledFolder("D:/Apps/KOVA/kovamain.exe", out, sizeof out);
    EXPECT_STREQ(out, "D:/Apps/KOVA/");
    CutInstalledFolder("D:\\Apps/KOVA\\kovamain.exe", out, sizeof out); // the last '/' wins
    EXPECT_STREQ(out, "D:\\Apps/");
    CutInstalledFolder("kovamain.exe", out, sizeof out);
    EXPECT_STREQ(out, "");
    CutInstalledFolder(nullptr, out, sizeof out);
    EXPECT_STREQ(out, "");
    char small[6];
    CutInstalledFolder("D:\\Apps\\KOVA\\kovamain.exe", small, sizeof small); // never overruns
    EXPECT_STREQ(small, "");
}

TEST(SelectComponentTest, KeysTablesAndTerminators)
{
    FileEntry files[3] = {};
    files[0].ComponentKey = 1;
    files[1].ComponentKey = 2;
    RegistryRow registry[2] = {{1, 0, "k", nullptr, 0, 0}, {0, 0, nullptr, nullptr, 0, 0}};
    DirectoryRow directories[1] = {{0, nullptr, 0}};
    ProgramItemRow items[2] = {{2, "a", "A", 1, 0, 0}, {0, nullptr, "Group", 0, 0, 7}};
    InstallDescriptor d = {};
    d.Files = files;
    d.RegistryEntries = registry;
    d.Directories = directories;
    d.ProgramItems = items;

    SelectComponent(&d, 1, 1);
    EXPECT_EQ(files[0].Selected, 1);
    EXPECT_EQ(files[1].Selected, 0);
    EXPECT_EQ(registry[0].Selected, 1);
    EXPECT_EQ(items[0].Selected, 0);

    SelectComponent(&d, 0, 5); // key 0: every row of every present table
    EXPECT_EQ(files[0].Selected, 5);
    EXPECT_EQ(files[1].Selected, 5);
    EXPECT_EQ(registry[0].Selected, 5);
    EXPECT_EQ(items[0].Selected, 5);
    EXPECT_EQ(directories[0].Selected, 0); // an empty table is left alone
    EXPECT_EQ(items[1].Selected, 7);       // terminators are never touched
    EXPECT_EQ(files[2].Selected, 0);
}

} // namespace
