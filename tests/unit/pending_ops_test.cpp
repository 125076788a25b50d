#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/pending_ops.h"

namespace {

// Stands in for the file system's short names: the files that exist, each
// under its long and its short spelling (any letter case).
struct FileSystem {
    std::vector<std::pair<std::string, std::string>> files;
};

std::string Upper(std::string s)
{
    for (char& c : s)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return s;
}

bool LookUp(const char* longPath, char* shortPath, size_t capacity, void* context)
{
    FileSystem* fs = static_cast<FileSystem*>(context);
    for (const auto& file : fs->files) {
        if (Upper(longPath) == Upper(file.first) || Upper(longPath) == Upper(file.second)) {
            if (file.second.size() + 1 > capacity)
                return false;
            std::strcpy(shortPath, file.second.c_str());
            return true;
        }
    }
    return false;
}

typedef std::vector<std::pair<std::string, std::string>> Pairs;

std::string Value(const Pairs& pairs)
{
    std::string data;
    for (const auto& pair : pairs) {
        data += pair.first;
        data += '\0';
        data += pair.second;
        data += '\0';
    }
    return data + '\0';
}

class PendingOpsTest : public ::testing::Test {
protected:
    const std::string uninstaller = "\\??\\C:\\Program Files\\KOVAwin\\uninstal.exe";
    const std::string destination = "\\??\\C:\\Program Files\\KOVAwin";
    FileSystem fs{{{"C:\\Program Files\\KOVAwin\\uninstal.exe", "C:\\PROGRA~1\\KOVAwin\\uninstal.exe"},
                   {"C:\\Program Files\\KOVAwin", "C:\\PROGRA~1\\KOVAwin"},
                   {"C:\\Temp\\old.dll", "C:\\Temp\\old.dll"}}};

    // Runs the filter; the bytes to write back, or nothing when none was dropped.
    bool Filter(const std::string& data, const std::string& path, std::string* written)
    {
        std::vector<char> exact(data.begin(), data.end());
        std::vector<char> out(data.size() + 1, 'X');
        size_t length = FilterPendingOperations(exact.data(), exact.size(), path.c_str(), LookUp, &fs, out.data());
        EXPECT_LE(length, data.size());
        EXPECT_EQ(out.back(), 'X');
        written->assign(out.data(), length);
        return length != 0;
    }
};

TEST_F(PendingOpsTest, ShortUpperCaseSpellingBetweenOtherPairsIsDropped)
{
    Pairs before = {{"\\??\\C:\\Temp\\old.dll", "\\??\\C:\\Temp\\new.dll"},
                    {"\\??\\C:\\PROGRA~1\\KOVAWIN\\UNINSTAL.EXE", ""},
                    {"\\??\\D:\\elsewhere\\x.tmp", ""}};
    std::string written;
    ASSERT_TRUE(Filter(Value(before), uninstaller, &written));
    EXPECT_EQ(written, Value({before[0], before[2]}));
    EXPECT_EQ(written.substr(written.size() - 2), std::string(2, '\0'));
}

TEST_F(PendingOpsTest, OnlyPairMatchingLeavesOneEmptyString)
{
    std::string written;
    ASSERT_TRUE(Filter(Value({{"\\??\\c:\\program files\\kovawin\\UNINSTAL.exe", ""}}), uninstaller, &written));
    EXPECT_EQ(written, std::string(1, '\0'));
}

TEST_F(PendingOpsTest, CurrentSystemsWriteAMarkerBeforeThePrefix)
{
    Pairs before = {{"*1\\??\\C:\\Temp\\old.dll", "*1!\\??\\C:\\Temp\\new.dll"},
                    {"*1\\??\\C:\\PROGRA~1\\KOVAWIN\\UNINSTAL.EXE", ""},
                    {"*2\\??\\c:\\program files\\kovawin\\uninstal.exe", ""},
                    {"*1C:\\Program Files\\KOVAwin\\uninstal.exe", ""}};
    std::string written;
    ASSERT_TRUE(Filter(Value(before), uninstaller, &written));
    // Without a native prefix a source names no file this walk can compare.
    EXPECT_EQ(written, Value({before[0], before[3]}));
}

TEST_F(PendingOpsTest, EntriesForTheDirectoryItself)
{
    Pairs before = {{"\\??\\C:\\PROGRA~1\\kovawin", ""},
                    {"\\??\\C:\\Program Files\\KOVAwin\\uninstal.exe", ""},
                    {"\\??\\C:\\Program Files\\KOVAwin", "\\??\\C:\\Program Files\\KOVAold"}};
    std::string written;
    ASSERT_TRUE(Filter(Value(before), destination, &written));
    EXPECT_EQ(written, Value({before[1]}));
}

TEST_F(PendingOpsTest, NothingDroppedMeansNothingToWrite)
{
    std::string written;
    // No such file: its entries cannot match.
    std::string data = Value({{"\\??\\C:\\Program Files\\KOVAwin\\comproxy.dll", ""}});
    EXPECT_FALSE(Filter(data, "\\??\\C:\\Program Files\\KOVAwin\\comproxy.dll", &written));
    EXPECT_FALSE(Filter(Value({{"\\??\\C:\\Temp\\old.dll", ""}}), uninstaller, &written));
    EXPECT_FALSE(Filter(std::string(1, '\0'), uninstaller, &written));
    EXPECT_FALSE(Filter("", uninstaller, &written));
    // A path of no more than the prefix has no short form.
    EXPECT_FALSE(Filter(Value({{"\\??\\", ""}}), "\\??\\", &written));
}

TEST_F(PendingOpsTest, IncompleteLastPairIsNeitherMatchedNorKept)
{
    std::string complete = Value({{"\\??\\C:\\Temp\\old.dll", ""}, {uninstaller, ""}});
    complete.pop_back();  // no closing empty string
    std::string written;

    // Source and target both ended, but no closing string: still complete.
    ASSERT_TRUE(Filter(complete, uninstaller, &written));
    EXPECT_EQ(written, Value({{"\\??\\C:\\Temp\\old.dll", ""}}));

    // A source without its target, or without its own NUL.
    std::string head = Value({{uninstaller, ""}});
    head.pop_back();
    std::string sourceOnly = head + uninstaller + '\0';
    ASSERT_TRUE(Filter(sourceOnly, uninstaller, &written));
    EXPECT_EQ(written, std::string(1, '\0'));
    ASSERT_TRUE(Filter(head + "\\??\\C:\\Temp\\old.dll", uninstaller, &written));
    EXPECT_EQ(written, std::string(1, '\0'));
    ASSERT_TRUE(Filter(head + "\\??\\C:\\Temp\\old.dll" + '\0' + "\\??\\C:\\Temp\\x", uninstaller, &written));
    EXPECT_EQ(written, std::string(1, '\0'));

    // An incomplete pair that would match is not handled.
    EXPECT_FALSE(Filter(uninstaller + '\0', uninstaller, &written));
}

TEST_F(PendingOpsTest, EmptyStringsInsideTheValueAreKeptAsPairs)
{
    std::string data = std::string("\0\0", 2) + Value({{uninstaller, ""}});
    std::string written;
    ASSERT_TRUE(Filter(data, uninstaller, &written));
    EXPECT_EQ(written, std::string("\0\0\0", 3));
}

}  // namespace
