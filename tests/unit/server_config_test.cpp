#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "test_util.h"
#include "core/server_config.h"

namespace {

using testutil::ScratchDir;

// The shipped default file, line by line; the value column starts at the
// 22nd character and the last line has no line end.
const char* const ShippedLines[] = {
    "#",
    "# Tarndaemon configuration file",
    "#",
    "# Note: The lines starting with hash (#) character are commented out (inactive) keywords",
    "",
    "# WellKnownPort      9239",
    "# ServerComment      \"#Libraries in c:\\libraries\"",
    "",
    "# LibraryPath        \"c:\\libraries\"",
    "",
    "# LogFile            \"c:\\temp\\tarndaemon.log\"",
    "# MaxLogSize         5",
    "# MaxLogBackups      10",
    "",
    "# End of configuration file",
};

std::string Joined(const std::vector<std::string>& lines, bool lastLineEnd)
{
    std::string text;
    for (size_t i = 0; i < lines.size(); i++) {
        text += lines[i];
        if (lastLineEnd || i + 1 < lines.size())
            text += "\r\n";
    }
    return text;
}

std::string ShippedText()
{
    return Joined(std::vector<std::string>(std::begin(ShippedLines), std::end(ShippedLines)), false);
}

// LF-separated expectations become the CR LF text on disk.
std::string Crlf(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}

class MergeTest : public ::testing::Test {
protected:
    ScratchDir scratch;
    std::string source = scratch / "source.conf";
    std::string output = scratch / "merged.conf";

    std::string Merge(const std::string& text, const char* dir = "D:/Libs")
    {
        testutil::WriteFile(source, testutil::FromText(text));
        EXPECT_TRUE(MergeServerConfig(source.c_str(), output.c_str(), dir));
        return testutil::ReadText(output);
    }

    // The text between the two empty lines at the top and the closing lines.
    std::string MergedBody(const std::string& text)
    {
        std::string merged = Merge(text);
        std::string head = "\r\n\r\n";
        std::string tail = "\r\nServerComment\t\"#Libraries in D:/Libs\"\r\n\r\nLibraryPath\t\"D:/Libs\"\r\n";
        EXPECT_EQ(merged.substr(0, head.size()), head);
        EXPECT_GE(merged.size(), head.size() + tail.size());
        EXPECT_EQ(merged.substr(merged.size() - tail.size()), tail);
        return merged.substr(head.size(), merged.size() - head.size() - tail.size());
    }
};

TEST(ShippedConfig, PayloadFileIsTheListing)
{
    std::string payload = testutil::ReadText(KOVA_SOURCE_DIR "/payload/files/tarn.cnf");
    EXPECT_EQ(payload.size(), 375u);
    EXPECT_EQ(payload, ShippedText());
}

TEST_F(MergeTest, ShippedFileKeepsItsSettingsAndEndsWithTheLibrary)
{
    std::string first = Merge(ShippedText());
    std::vector<std::string> expected = {
        "", "",
        "#",
        "# Tarndaemon configuration file",
        "#",
        ShippedLines[3],
        ShippedLines[5],
        ShippedLines[10],
        ShippedLines[11],
        ShippedLines[12],
        "# End of configuration file",
        "ServerComment\t\"#Libraries in D:/Libs\"",
        "",
        "LibraryPath\t\"D:/Libs\"",
    };
    EXPECT_EQ(first, Joined(expected, true));

    // Later installations merge their own result: one empty line comes in
    // before the closing lines, and from then on the text stays the same.
    std::string second = Merge(first);
    expected.insert(expected.end() - 3, "");
    EXPECT_EQ(second, Joined(expected, true));
    EXPECT_EQ(Merge(second), second);
}

TEST_F(MergeTest, LibraryLinesAreDroppedWhateverTheirSpelling)
{
    std::string body = MergedBody(
        "LibraryPath \"c:\\old\"\r\n"
        "librarypath c:/other\r\n"
        "LibraryPathOld x\r\n"
        "  SERVERCOMMENT\tsomething\r\n"
        "#  servercomment \"#Libraries in c:\\x\"\r\n"
        "# LibraryPath c:\\y\r\n"
        "MaxLogSize 5\r\n");
    EXPECT_EQ(body, Crlf("MaxLogSize 5\n"));
}

TEST_F(MergeTest, SettingsAndCommentsPassThrough)
{
    EXPECT_EQ(MergedBody("WellKnownPort\t9239\r\n"), Crlf("WellKnownPort 9239\n"));
    EXPECT_EQ(MergedBody("# Logging\r\nLogFile \"c:\\temp\\t.log\"\r\n"),
              Crlf("# Logging\nLogFile \"c:\\temp\\t.log\"\n"));
    EXPECT_EQ(MergedBody("oneword\r\n"), Crlf("oneword\n"));
    EXPECT_EQ(MergedBody("#\r\n"), Crlf("#\n"));
    // Only the white-space byte that ended the word becomes a blank.
    EXPECT_EQ(MergedBody("   MaxLogBackups\t\t10  \r\n"), Crlf("MaxLogBackups \t10  \n"));
    // The marker's own word is not written again.
    EXPECT_EQ(MergedBody("#word more text\r\n"), Crlf("# more text\n"));
    // A CR without its LF is a character of the line like any other.
    EXPECT_EQ(MergedBody("Name a\rb\r\n"), "Name a\rb\r\n");
}

TEST_F(MergeTest, CommentWithoutBlankIsNotALibraryLine)
{
    EXPECT_EQ(MergedBody("#LibraryPath \"c:/x\"\r\n"), Crlf("# c:/x \n"));
}

TEST_F(MergeTest, EmptyAndBlankLinesVanish)
{
    EXPECT_EQ(MergedBody("\r\n   \r\n\t\r\n\r\nWellKnownPort 1\r\n\r\n"), Crlf("WellKnownPort 1\n"));
    EXPECT_EQ(MergedBody(""), "");
}

TEST_F(MergeTest, QuotedFirstWordLosesItsQuotes)
{
    EXPECT_EQ(MergedBody("\"Log File\" x\r\n"), Crlf("Log File  x\n"));
    // An empty quoted word carries nothing: the whole line goes.
    EXPECT_EQ(MergedBody("\"\" x\r\nA b\r\n"), Crlf("A b\n"));
}

TEST_F(MergeTest, LongLinesAreTakenInPiecesOf510)
{
    std::string word(600, 'a');
    // The first piece's word runs to the piece's end and is followed by one blank.
    EXPECT_EQ(MergedBody(word + "\r\n"), Crlf(std::string(510, 'a') + " " + std::string(90, 'a') + "\n"));

    // A piece that starts with a keyword counts as a line of its own.
    std::string head = "Note " + std::string(505, 'x');
    ASSERT_EQ(head.size(), 510u);
    EXPECT_EQ(MergedBody(head + "LibraryPath c:/lost\r\nA b\r\n"), Crlf(head + "A b\n"));

    // CR LF is one character when pieces are counted.
    std::string exact(509, 'b');
    EXPECT_EQ(MergedBody(exact + "\r\n" + "A b\r\n"), Crlf(exact + "\nA b\n"));

    std::string huge(100000, 'c');
    std::string merged = MergedBody(huge);
    EXPECT_EQ(merged.size(), huge.size() + (huge.size() + 509) / 510);
}

TEST_F(MergeTest, LibraryDirGoesIntoBothClosingLines)
{
    testutil::WriteFile(source, testutil::FromText("A b\r\n"));
    ASSERT_TRUE(MergeServerConfig(source.c_str(), output.c_str(), ""));
    EXPECT_EQ(testutil::ReadText(output),
              Crlf("\n\nA b\n\nServerComment\t\"#Libraries in \"\n\nLibraryPath\t\"\"\n"));
}

TEST_F(MergeTest, WithoutSourceOnlyTheLibraryIsWritten)
{
    ASSERT_TRUE(MergeServerConfig(source.c_str(), output.c_str(), "D:/Libs"));
    EXPECT_EQ(testutil::ReadText(output),
              Crlf("\nServerComment\t#Libraries in \"D:/Libs\"\n\nLibraryPath\t\"D:/Libs\"\n"));
}

TEST_F(MergeTest, OutputThatCannotBeCreatedOrSourceThatCannotBeReadFails)
{
    testutil::WriteFile(source, testutil::FromText("A b\r\n"));
    std::string missingDir = scratch / "no-such-dir/merged.conf";
    EXPECT_FALSE(MergeServerConfig(source.c_str(), missingDir.c_str(), "D:/Libs"));
    EXPECT_EQ(testutil::ReadText(source), "A b\r\n");
    // A directory opens but gives a read error, not an empty file.
    EXPECT_FALSE(MergeServerConfig(scratch.path().string().c_str(), output.c_str(), "D:/Libs"));
}

TEST(NextToken, SplitsWordsInPlace)
{
    char text[] = "  alpha\tbeta\n";
    char* cursor = text;
    char ended = 'x';
    EXPECT_STREQ(NextToken(&cursor, &ended), "alpha");
    EXPECT_EQ(ended, '\t');
    EXPECT_STREQ(cursor, "beta\n");
    EXPECT_STREQ(NextToken(&cursor, &ended), "beta");
    EXPECT_EQ(ended, '\n');
    EXPECT_EQ(*cursor, '\0');
    EXPECT_EQ(NextToken(&cursor, &ended), nullptr);
    EXPECT_EQ(cursor, text + sizeof text - 1);

    char tail[] = "last";
    cursor = tail;
    EXPECT_STREQ(NextToken(&cursor, &ended), "last");
    EXPECT_EQ(ended, '\0');
    EXPECT_EQ(cursor, tail + 4);
}

TEST(NextToken, WhiteSpaceIsAsciiOnly)
{
    char text[] = "\v\f\r \xA0word\x85 next";
    char* cursor = text;
    EXPECT_STREQ(NextToken(&cursor), "\xA0word\x85");
    EXPECT_STREQ(NextToken(&cursor), "next");
}

TEST(NextToken, QuotedWords)
{
    char text[] = "\"c:\\my \\\"libs\\\"\\x\" 'it\\'s' rest";
    char* cursor = text;
    char ended = 0;
    EXPECT_STREQ(NextToken(&cursor, &ended), "c:\\my \"libs\"\\x");
    EXPECT_EQ(ended, '"');
    EXPECT_STREQ(NextToken(&cursor, &ended), "it's");
    EXPECT_EQ(ended, '\'');
    EXPECT_STREQ(cursor, " rest");

    char unclosed[] = "'open \"x\n";
    cursor = unclosed;
    EXPECT_STREQ(NextToken(&cursor), "open \"x\n");
    EXPECT_EQ(*cursor, '\0');

    char lastQuote[] = "   \"";
    cursor = lastQuote;
    EXPECT_STREQ(NextToken(&cursor), "");
    EXPECT_EQ(cursor, lastQuote + 4);
    EXPECT_EQ(NextToken(&cursor), nullptr);
}

TEST(LibraryEnvironment, ValueWithSlashesAndLimits)
{
    LibraryEnvironmentRecord library = LibraryEnvironmentOf("C:\\Data\\Libs");
    EXPECT_EQ(library.LibraryDirGiven, 1);
    EXPECT_STREQ(library.LibraryDir, "C:/Data/Libs");

    library = LibraryEnvironmentOf("");
    EXPECT_EQ(library.LibraryDirGiven, 1);
    EXPECT_STREQ(library.LibraryDir, "");

    std::string longValue;
    for (int i = 0; i < 30; i++)
        longValue += "d" + std::to_string(i % 10) + "\\abcdefg";
    ASSERT_EQ(longValue.size(), 300u);
    library = LibraryEnvironmentOf(longValue.c_str());
    std::string expected = longValue.substr(0, 255);
    for (char& c : expected)
        if (c == '\\')
            c = '/';
    EXPECT_EQ(std::string(library.LibraryDir), expected);

    library = LibraryEnvironmentOf(nullptr);
    EXPECT_EQ(library.LibraryDirGiven, 0);
    EXPECT_STREQ(library.LibraryDir, "");
}

}  // namespace
