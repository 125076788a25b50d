// Space arithmetic of the destination page and the uninstall entry's size.
#include <gtest/gtest.h>

#include <cstring>

#include "core/descriptor.h"
#include "core/path_join.h"
#include "core/space.h"

namespace {

FileEntry Row(int key, uint32_t size, int selected)
{
    FileEntry row;
    std::memset(&row, 0, sizeof row);
    row.ComponentKey = key;
    row.Size = size;
    row.Selected = selected;
    return row;
}

// The file table, allocation unit and choices the arithmetic is given.
class SpaceTest : public ::testing::Test {
protected:
    void UseTable(FileEntry* rows) { files = rows; }
    uint32_t Required(int key, bool countAll) const { return RequiredBytes(files, shift, key, countAll); }
    uint32_t InstalledKb() const { return InstalledSizeKb(files, shift, program, database); }

    const FileEntry* files = nullptr;
    int shift = 9;
    bool program = true;
    bool database = true;
};

std::string Megabytes(uint32_t bytes)
{
    char text[20];
    FormatMegabytes(bytes, text, sizeof text);
    return text;
}

TEST_F(SpaceTest, RoundsUpToTheAllocationUnit)
{
    EXPECT_EQ(0u, RoundToAllocation(0, shift));
    EXPECT_EQ(512u, RoundToAllocation(1, shift));
    EXPECT_EQ(512u, RoundToAllocation(512, shift));
    EXPECT_EQ(1024u, RoundToAllocation(513, shift));

    shift = AllocationShiftOf(4096, shift);
    EXPECT_EQ(12, shift);
    EXPECT_EQ(4096u, RoundToAllocation(1, shift));
    EXPECT_EQ(8192u, RoundToAllocation(4097, shift));

    // A drive that reports no sector size keeps the unit in force.
    EXPECT_EQ(12, AllocationShiftOf(0, shift));
    EXPECT_EQ(9, AllocationShiftOf(512, shift));
    // Not a power of two: its highest bit counts.
    EXPECT_EQ(10, AllocationShiftOf(2000, shift));
}

TEST_F(SpaceTest, RoundingWrapsIn32Bits)
{
    EXPECT_EQ(0xFFFFFE00u, RoundToAllocation(0xFFFFFE00u, shift));
    EXPECT_EQ(0u, RoundToAllocation(0xFFFFFE01u, shift));
}

TEST_F(SpaceTest, RequiredBytesCountsRowsByKeyAndSelection)
{
    FileEntry rows[] = {
        Row(1, 1000, 1),   // 1024
        Row(1, 1, 0),      // 512, unselected
        Row(2, 513, 1),    // 1024
        Row(1, 0, 2),      // 0, writing begun counts as selected
        Row(2, 2048, 0),   // 2048, unselected
        Row(0, 99999, 1),  // terminator: never counted
        Row(1, 4096, 1),   // beyond the terminator
    };
    UseTable(rows);

    struct Case {
        int key;
        bool countAll;
        uint32_t expected;
    } cases[] = {
        {0, false, 1024 + 1024},
        {0, true, 1024 + 512 + 1024 + 2048},
        {1, false, 1024},
        {1, true, 1024 + 512},
        {2, false, 1024},
        {2, true, 1024 + 2048},
        {3, true, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, Required(c.key, c.countAll)) << "key " << c.key << " countAll " << c.countAll;

    shift = AllocationShiftOf(4096, shift);
    EXPECT_EQ(4096u + 4096u, Required(0, false));
}

TEST_F(SpaceTest, PayloadFitsOnlyBelowTheFreeSpace)
{
    EXPECT_TRUE(PayloadFits(1023, 1024));
    EXPECT_FALSE(PayloadFits(1024, 1024));
    EXPECT_FALSE(PayloadFits(0, FreeSpaceUnknown));
    EXPECT_TRUE(PayloadFits(0xFFFFFFFFu, FreeSpaceOver2Gb));
    EXPECT_FALSE(PayloadFits(0x80000000u, 0x7FFFFFFF));
}

TEST_F(SpaceTest, RequiredBytesOfNoTableIsZero)
{
    EXPECT_EQ(0u, Required(0, true));
    FileEntry empty[] = {Row(0, 0, 0)};
    UseTable(empty);
    EXPECT_EQ(0u, Required(0, true));
}

TEST(MegabyteText, RoundsTheRemainderToTheNearestTenth)
{
    EXPECT_EQ("1.0 MB", Megabytes(1048576));
    EXPECT_EQ("1.0 MB", Megabytes(1048575));
    EXPECT_EQ("0.1 MB", Megabytes(104857));
    EXPECT_EQ("0.0 MB", Megabytes(0));
    EXPECT_EQ("1.5 MB", Megabytes(1572864));
    EXPECT_EQ("2.0 MB", Megabytes(2097151));
    EXPECT_EQ("0.0 MB", Megabytes(52428));   // just below half a tenth
    EXPECT_EQ("0.1 MB", Megabytes(52429));
    EXPECT_EQ("4096.0 MB", Megabytes(0xFFFFFFFFu));
}

TEST(MegabyteText, StaysInsideTheBuffer)
{
    char text[5];
    std::memset(text, 'x', sizeof text);
    FormatMegabytes(1572864, text, 4);
    EXPECT_STREQ("1.5", text);
    EXPECT_EQ('x', text[4]);
}

TEST_F(SpaceTest, InstalledSizeRoundsUpToKilobytesOverBothComponents)
{
    // 10,000,000 bytes after rounding to a 128-byte unit (a whole number of units).
    shift = AllocationShiftOf(128, shift);
    FileEntry rows[] = {
        Row(1, 9999872, 0),
        Row(1, 128, 0),
        Row(0, 0, 0),
    };
    UseTable(rows);
    EXPECT_EQ(10000000u, Required(1, true));
    EXPECT_EQ(9766u, InstalledKb());

    program = false;
    EXPECT_EQ(0u, InstalledKb());
}

TEST_F(SpaceTest, InstalledSizeAddsTheDatabaseWhenChosen)
{
    FileEntry rows[] = {Row(1, 1024, 0), Row(2, 2048, 0), Row(0, 0, 0)};
    UseTable(rows);
    EXPECT_EQ(3u, InstalledKb());
    database = false;
    EXPECT_EQ(1u, InstalledKb());
}

TEST(PathJoin, JoinsOrRefusesWithoutOverrun)
{
    char out[16];
    EXPECT_TRUE(JoinPath(out, sizeof out, "C:\\KOVA", "a.exe"));
    EXPECT_STREQ("C:\\KOVA\\a.exe", out);
    // A drive's root already ends in its separator; an empty name is the directory.
    EXPECT_TRUE(JoinPath(out, sizeof out, "C:\\", "a"));
    EXPECT_STREQ("C:\\a", out);
    EXPECT_TRUE(JoinPath(out, sizeof out, "D:\\", ""));
    EXPECT_STREQ("D:\\", out);
    EXPECT_TRUE(JoinPath(out, sizeof out, "D:\\KOVA", ""));
    EXPECT_STREQ("D:\\KOVA", out);
    // 15 characters fit exactly; 16 do not.
    EXPECT_TRUE(JoinPath(out, sizeof out, "C:\\KOVA", "abcdefg"));
    EXPECT_STREQ("C:\\KOVA\\abcdefg", out);
    EXPECT_FALSE(JoinPath(out, sizeof out, "C:\\KOVA", "abcdefgh"));
    EXPECT_STREQ("", out);
}

TEST(PathJoin, GuideCommandIsQuotedAndBounded)
{
    char out[262];
    EXPECT_TRUE(BuildGuideCommand(out, sizeof out, "C:\\Program Files\\KOVAwin"));
    EXPECT_STREQ("\"C:\\Program Files\\KOVAwin\\Getting Started with KOVA.html\"", out);

    // 228 characters plus "\Getting Started with KOVA.html" make 259: the longest path.
    std::string dir = "C:\\" + std::string(225, 'd');
    ASSERT_EQ(228u, dir.size());
    ASSERT_TRUE(BuildGuideCommand(out, sizeof out, dir.c_str()));
    EXPECT_EQ(261u, std::strlen(out));
    EXPECT_EQ('"', out[260]);

    dir += 'd';
    EXPECT_FALSE(BuildGuideCommand(out, sizeof out, dir.c_str()));
    EXPECT_STREQ("", out);
    // A caller buffer too small for the quotes is refused, not overrun.
    char small[20];
    EXPECT_FALSE(BuildGuideCommand(small, sizeof small, "C:\\KOVA"));
}

} // namespace
