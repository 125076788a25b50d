// Program Manager command text and reply reading.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/progman.h"
#include "progman_expected.h"

namespace {

std::string Prefix(const char* dir)
{
    char prefix[262];
    EXPECT_EQ(MakeDestinationPrefix(dir, prefix, sizeof prefix), 1);
    return prefix;
}

// The whole text: measured first, then written into a buffer of that size.
std::string Compose(const InstallDescriptor* install, const char* prefix, int groupExists, bool nt6)
{
    size_t length = ComposeCommands(install, prefix, groupExists, nt6, nullptr, 0);
    std::string text(length + 1, '#');
    EXPECT_EQ(ComposeCommands(install, prefix, groupExists, nt6, &text[0], text.size()), length);
    EXPECT_EQ(text[length], '\0');
    text.resize(length);
    return text;
}

} // namespace

TEST(DestinationPrefix, AddsOneSeparatorOnlyWhenMissing)
{
    EXPECT_EQ(Prefix("C:\\Program Files\\KOVAwin"), "C:\\Program Files\\KOVAwin\\");
    EXPECT_EQ(Prefix("C:\\Program Files\\KOVAwin\\"), "C:\\Program Files\\KOVAwin\\");
    EXPECT_EQ(Prefix("C:\\"), "C:\\");
    EXPECT_EQ(Prefix(""), "");
}

TEST(DestinationPrefix, RefusesWhatDoesNotFit)
{
    std::string dir(259, 'd');
    char prefix[261];
    EXPECT_EQ(MakeDestinationPrefix(dir.c_str(), prefix, sizeof prefix), 1);
    EXPECT_EQ(std::strlen(prefix), 260u);
    char small[8] = "xxxxxxx";
    EXPECT_EQ(MakeDestinationPrefix("C:\\Program", small, sizeof small), 0);
    EXPECT_STREQ(small, "");
    EXPECT_EQ(MakeDestinationPrefix("C:\\abcde", small, sizeof small), 0); // room for the text, not the '\'
}

TEST(ComposeCommands, FirstInstallationAndReinstallationTexts)
{
    SelectedProductItems product;
    std::string prefix = Prefix("C:\\Program Files\\KOVAwin");
    EXPECT_EQ(Compose(&product.Install, prefix.c_str(), 0, false), FirstInstallation);

    product.Rows[0].DeleteFirst = 1;
    product.Rows[1].DeleteFirst = 1;
    EXPECT_EQ(Compose(&product.Install, prefix.c_str(), 1, false), Reinstallation);

    // A destination that already ends in '\' gives the same paths.
    std::string trailing = Prefix("C:\\Program Files\\KOVAwin\\");
    EXPECT_EQ(Compose(&product.Install, trailing.c_str(), 1, true), Reinstallation);
}

TEST(ComposeCommands, SkipsUnselectedRowsAndHonoursTheOtherTables)
{
    ItemToDeleteRow obsolete[] = {{1, "KOVA 16 Readme", 1}, {1, "Not chosen", 0}, {0, nullptr, 0}};
    ProgramItemRow rows[] = {
        {1, "kovamain.exe", "KOVA", 1, 0, 0},
        {1, "C:\\elsewhere\\tool.exe", "Tool", 0, 0, 1},
        {1, "kova.hlp", "KOVA Help", 1, 0, 1},
        {0, nullptr, "Group", 0, 0, 0},
    };
    InstallDescriptor install{};
    install.ProgramItems = rows;
    install.ItemsToDelete = obsolete;
    EXPECT_EQ(Compose(&install, "D:\\K\\", 0, false),
              "[CreateGroup(\"Group\")][DeleteItem(KOVA 16 Readme)]"
              "[AddItem(\"C:\\elsewhere\\tool.exe\",\"Tool\")]"
              "[AddItem(\"D:\\K\\kova.hlp\",\"KOVA Help\")]");
    // On NT 6 the help item names the other help file.
    EXPECT_EQ(Compose(&install, "D:\\K\\", 0, true),
              "[CreateGroup(\"Group\")][DeleteItem(KOVA 16 Readme)]"
              "[AddItem(\"C:\\elsewhere\\tool.exe\",\"Tool\")]"
              "[AddItem(\"D:\\K\\kova.chm\",\"KOVA Help\")]");
}

TEST(ComposeCommands, TextLongerThanTheClassicBufferIsWhole)
{
    std::string title(300, 't');
    std::string file(250, 'f');
    ProgramItemRow rows[41];
    for (int i = 0; i < 40; ++i)
        rows[i] = {1, file.c_str(), title.c_str(), 1, 1, 1};
    rows[40] = {0, nullptr, "G", 0, 0, 0};
    InstallDescriptor install{};
    install.ProgramItems = rows;
    std::string text = Compose(&install, "C:\\D\\", 1, false);
    std::string one = "[DeleteItem(" + title + ")][AddItem(\"C:\\D\\" + file + "\",\"" + title + "\")]";
    EXPECT_GT(text.size(), 8192u);
    EXPECT_EQ(text, "[CreateGroup(\"G\")][ShowGroup(G,1)]" + [&] {
        std::string all;
        for (int i = 0; i < 40; ++i)
            all += one;
        return all;
    }());
    // A buffer too small gets what fits, terminated, and the whole length.
    char cut[20];
    std::memset(cut, '#', sizeof cut);
    EXPECT_EQ(ComposeCommands(&install, "C:\\D\\", 1, false, cut, 16), text.size());
    EXPECT_STREQ(cut, text.substr(0, 15).c_str());
    EXPECT_EQ(cut[16], '#');
}

TEST(GroupList, FindsTheGroupAsAWholeLineIgnoringCase)
{
    EXPECT_TRUE(GroupListNamesGroup("Accessories\r\nKOVAwin\r\nGames\r\n", "KOVAwin"));
    EXPECT_TRUE(GroupListNamesGroup("accessories\r\nkovawin", "KOVAwin"));
    EXPECT_FALSE(GroupListNamesGroup("Main\r\nKOVAwin Tools\r\nMy KOVAwin\r\n", "KOVAwin"));
    EXPECT_FALSE(GroupListNamesGroup("Main\r\nKOVA\r\nwin\r\n", "KOVAwin"));
    EXPECT_FALSE(GroupListNamesGroup("", "KOVAwin"));
    EXPECT_FALSE(GroupListNamesGroup("KOVAwi", "KOVAwin"));
}

TEST(GroupList, LongGroupNamesAreComparedWhole)
{
    std::string name(150, 'g');
    std::string cut = name.substr(0, 99);
    EXPECT_TRUE(GroupListNamesGroup(("Main\r\n" + name + "\r\n").c_str(), name.c_str()));
    // Only the first 99 characters present: not the group.
    EXPECT_FALSE(GroupListNamesGroup(("Main\r\n" + cut + "\r\n").c_str(), name.c_str()));
}

TEST(GroupItems, MarksTitlesFoundInTheReplyIgnoringCase)
{
    SelectedProductItems product;
    MarkItemsInReply("\"KOVAwin\",\"kovawin.grp\",2,1\r\n"
                     "\"kova\",\"C:\\Program Files\\KOVAwin\\kovamain.exe\",,0,0,0\r\n"
                     "\"Other Tool\",\"C:\\x.exe\"\r\n"
                     "\"GETTING STARTED WITH KOVA\",\"C:\\g.html\"\r\n",
                     product.Rows.data());
    EXPECT_EQ(product.Rows[0].DeleteFirst, 1);
    EXPECT_EQ(product.Rows[1].DeleteFirst, 1);
}

TEST(GroupItems, TheGroupLineAndPartialTitlesMarkNothing)
{
    ProgramItemRow rows[] = {
        {1, "a.exe", "KOVAwin", 1, 0, 1},
        {1, "b.exe", "KOVA", 1, 0, 1},
        {0, nullptr, "KOVAwin", 0, 0, 0},
    };
    // The first line describes the group, and "KOVA Tools" is not "KOVA".
    MarkItemsInReply("\"KOVAwin\",\"kovawin.grp\",1\n\"KOVA Tools\",\"t.exe\"\n", rows);
    EXPECT_EQ(rows[0].DeleteFirst, 0);
    EXPECT_EQ(rows[1].DeleteFirst, 0);
    // A reply ending right after a line feed, or with an unterminated title.
    MarkItemsInReply("\"KOVAwin\"\n", rows);
    MarkItemsInReply("\"KOVAwin\"\n\"KOVA", rows);
    EXPECT_EQ(rows[0].DeleteFirst, 0);
    EXPECT_EQ(rows[1].DeleteFirst, 1);
}

// Replies that end in a bare line feed, with a matching line just past their
// terminator: what lies there is not part of the reply.
TEST(GroupItems, NothingPastTheReplysEndIsRead)
{
    const char groups[] = "Main\n\0KOVAwin\r\n";
    ASSERT_EQ(std::strlen(groups), 5u);
    EXPECT_FALSE(GroupListNamesGroup(groups, "KOVAwin"));

    SelectedProductItems product;
    const char items[] = "\"KOVAwin\",\"kovawin.grp\",1\n\0KOVA\",\"k.exe\"";
    ASSERT_EQ(items[std::strlen(items) - 1], '\n');
    MarkItemsInReply(items, product.Rows.data());
    EXPECT_EQ(product.Rows[0].DeleteFirst, 0);
}

TEST(GroupItems, OnlyTheFirstMatchingRowIsMarked)
{
    ProgramItemRow rows[] = {
        {1, "a.exe", "Same", 1, 0, 1},
        {1, "b.exe", "same", 1, 0, 1},
        {0, nullptr, "G", 0, 0, 0},
    };
    MarkItemsInReply("\"G\"\n\"SAME\",\"a.exe\"\n", rows);
    EXPECT_EQ(rows[0].DeleteFirst, 1);
    EXPECT_EQ(rows[1].DeleteFirst, 0);
}

TEST(GroupItems, LongTitlesAreComparedWhole)
{
    std::string title(300, 'T');
    std::string longer = title + "X";
    ProgramItemRow rows[] = {
        {1, "a.exe", title.c_str(), 1, 0, 1},
        {0, nullptr, "G", 0, 0, 0},
    };
    MarkItemsInReply(("\"G\"\n\"" + longer + "\",\"a.exe\"\n").c_str(), rows);
    EXPECT_EQ(rows[0].DeleteFirst, 0);
    MarkItemsInReply(("\"G\"\n\"" + title + "\",\"a.exe\"\n").c_str(), rows);
    EXPECT_EQ(rows[0].DeleteFirst, 1);
}

TEST(ProgramGroupName, IsTheTerminatorsTitle)
{
    SelectedProductItems product;
    EXPECT_STREQ(ProgramGroupName(&product.Install), "KOVAwin");
    InstallDescriptor none{};
    EXPECT_EQ(ProgramGroupName(&none), nullptr);
}
