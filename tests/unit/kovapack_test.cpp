#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include <sys/stat.h>

#include "compressor.h"
#include "packer.h"
#include "core/crc.h"
#include "core/file_entry.h"
#include "core/szdd.h"
#include "test_util.h"

namespace {

using testutil::Bytes;
namespace fs = std::filesystem;

class KovapackTool : public ::testing::Test {
protected:
    // In 1 GiB of address space: a file of 4 GiB must be refused, not read.
    int Kovapack(const std::string& args)
    {
        return testutil::Run("ulimit -v 1048576; " + testutil::Quote(testutil::Kovapack()) + " " + args + " > " +
                             testutil::Quote(dir / "stdout") + " 2> " + testutil::Quote(dir / "stderr"));
    }
    std::string Stderr() { return testutil::ReadText(dir / "stderr"); }
    // One line that says where.
    void ExpectOneLineError(const std::string& where)
    {
        std::string err = Stderr();
        EXPECT_EQ(0u, err.find("kovapack: ")) << err;
        EXPECT_NE(std::string::npos, err.find(where)) << err;
        EXPECT_EQ(1, std::count(err.begin(), err.end(), '\n')) << err;
    }
    std::string Stdout() { return testutil::ReadText(dir / "stdout"); }

    testutil::ScratchDir dir;
};

TEST_F(KovapackTool, CompressAndExpandByName)
{
    Bytes data = testutil::SampleText(10000);
    std::string in = dir / "kovamain.exe";
    testutil::WriteFile(in, data);
    ASSERT_EQ(0, Kovapack("compress " + testutil::Quote(in))) << Stderr();
    Bytes szdd = testutil::ReadFile(dir / "kovamain.ex_");
    ASSERT_GE(szdd.size(), SzddHeaderSize);
    EXPECT_EQ('e', szdd[SzddNameCharOffset]);
    EXPECT_TRUE(szdd == SzddCompress(data.data(), data.size(), 'e'));

    fs::remove(in);
    ASSERT_EQ(0, Kovapack("expand " + testutil::Quote(dir / "kovamain.ex_"))) << Stderr();
    EXPECT_TRUE(testutil::ReadFile(in) == data);

    ASSERT_EQ(0, Kovapack("expand " + testutil::Quote(dir / "kovamain.ex_") + " " + testutil::Quote(dir / "other")));
    EXPECT_TRUE(testutil::ReadFile(dir / "other") == data);

    // No extension, no compressed name: refused unless OUT is given.
    testutil::WriteFile(dir / "README", data);
    EXPECT_EQ(1, Kovapack("compress " + testutil::Quote(dir / "README")));
    EXPECT_NE(std::string::npos, Stderr().find("README")) << Stderr();
    EXPECT_FALSE(fs::exists(dir / "READM_"));
    EXPECT_EQ(0, Kovapack("compress " + testutil::Quote(dir / "README") + " " + testutil::Quote(dir / "r.sz")));
    EXPECT_EQ('E', testutil::ReadFile(dir / "r.sz")[SzddNameCharOffset]);

    EXPECT_EQ(1, Kovapack("compress " + testutil::Quote(dir / "missing.txt")));
    EXPECT_EQ(2, Kovapack("frobnicate a b"));
}

TEST_F(KovapackTool, ExpandRefusesBadInputAndLeavesNoOutput)
{
    Bytes good = SzddCompress(reinterpret_cast<const uint8_t*>("some text, some text"), 20, 't');
    Bytes wrongMagic = good;
    wrongMagic[0] = 'X';
    Bytes wrongMode = good;
    wrongMode[8] = 'C';
    Bytes truncated(good.begin(), good.end() - 1);
    Bytes badSize = good;
    badSize[10] = 21;
    for (const Bytes& bad : {wrongMagic, wrongMode, truncated, badSize}) {
        std::string in = dir / "bad.tx_";
        std::string out = dir / "bad.txt";
        testutil::WriteFile(in, bad);
        EXPECT_EQ(1, Kovapack("expand " + testutil::Quote(in) + " " + testutil::Quote(out)));
        EXPECT_NE(std::string::npos, Stderr().find(in)) << Stderr();
        EXPECT_FALSE(fs::exists(out));
        // An existing OUT is kept as it was.
        testutil::WriteFile(out, testutil::FromText("old"));
        EXPECT_EQ(1, Kovapack("expand " + testutil::Quote(in) + " " + testutil::Quote(out)));
        EXPECT_EQ("old", testutil::ReadText(out));
        fs::remove(out);
        size_t files = std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator());
        EXPECT_EQ(3u, files) << "a temporary file was left behind";  // bad.tx_, stdout, stderr
    }
}

TEST_F(KovapackTool, CompressAndExpandRefuseFoldersAndHugeFiles)
{
    std::string huge = dir / "huge.bi_";
    testutil::WriteFile(huge, Bytes());
    fs::resize_file(huge, uint64_t(1) << 32);  // sparse
    for (std::string verb : {"compress ", "expand "}) {
        for (std::string in : {dir.path().string(), huge}) {
            EXPECT_EQ(1, Kovapack(verb + testutil::Quote(in) + " " + testutil::Quote(dir / "out"))) << verb << in;
            ExpectOneLineError("kovapack: " + in + ": ");
        }
    }
}

TEST(Packer, ChunkLayout)
{
    struct Case {
        uint32_t stored, count, last;
    } cases[] = {{14, 1, 14}, {61439, 1, 61439}, {61440, 1, 61440}, {61441, 2, 1}, {122880, 2, 61440},
                 {1639753, 27, 42313}};
    for (const Case& c : cases) {
        uint32_t count = 0, last = 0;
        ChunkLayout(c.stored, count, last);
        EXPECT_EQ(c.count, count) << c.stored;
        EXPECT_EQ(c.last, last) << c.stored;
    }
}

TEST(Packer, CStringLiteral)
{
    EXPECT_EQ("\"kovamain.exe\"", CStringLiteral("kovamain.exe"));
    EXPECT_EQ("\"a\\\\b\\\"c\\?\\?=\\012\\377\"", CStringLiteral("a\\b\"c?" "?=\n\xff"));
}

// Noise whose SZDD form is exactly n bytes: found by growing the input.
Bytes DataWithStoredSize(size_t n)
{
    Bytes noise = testutil::RandomBytes(n, 21);
    size_t lo = 0, hi = n;  // stored size of lo bytes < n <= that of hi bytes
    while (hi - lo > 1) {
        size_t mid = (lo + hi) / 2;
        if (SzddCompress(noise.data(), mid, 'x').size() < n)
            lo = mid;
        else
            hi = mid;
    }
    noise.resize(hi);
    return noise;
}

// The resources of a .res file, as the resource compiler wrote them; only
// integer types and names are expected.
struct ResEntry {
    uint32_t type = 0, name = 0, language = 0;
    Bytes data;
};

std::vector<ResEntry> ReadRes(const Bytes& res)
{
    auto le32 = [&](size_t at) { return res[at] | res[at + 1] << 8 | res[at + 2] << 16 | uint32_t(res[at + 3]) << 24; };
    auto le16 = [&](size_t at) { return uint32_t(res[at] | res[at + 1] << 8); };
    std::vector<ResEntry> entries;
    size_t at = 0;
    while (at + 32 <= res.size()) {
        uint32_t dataSize = le32(at), headerSize = le32(at + 4);
        if (at + headerSize + dataSize > res.size() || le16(at + 8) != 0xFFFF || le16(at + 12) != 0xFFFF)
            break;
        ResEntry e;
        e.type = le16(at + 10);
        e.name = le16(at + 14);
        e.language = le16(at + 16 + 6);
        e.data.assign(res.begin() + at + headerSize, res.begin() + at + headerSize + dataSize);
        if (dataSize != 0)  // the first, empty entry only marks the file
            entries.push_back(e);
        at += headerSize + ((dataSize + 3) & ~3u);
    }
    EXPECT_EQ(res.size(), at) << "unreadable .res";
    return entries;
}

std::string ZeroText(int32_t)
{
    return "0";
}
std::string ZeroText(uint32_t)
{
    return "0u";
}
std::string ZeroText(const char*)
{
    return "nullptr";
}

// A line of a generated file table: the fields in the struct's order, each
// as `values` writes it by name, or else the zero of its type.
std::string TableLine(const std::map<std::string, std::string>& values)
{
    std::string line;
    size_t named = 0;
#define TABLE_FIELD(type, name)                                           \
    line += line.empty() ? "{" : ", ";                                    \
    named += values.count(#name);                                         \
    line += values.count(#name) ? values.at(#name) : ZeroText(static_cast<type>(0));
    FILE_ENTRY_FIELDS(TABLE_FIELD)
#undef TABLE_FIELD
    EXPECT_EQ(values.size(), named) << "a value for no field";
    return line + "},";
}

class PackerRun : public KovapackTool {
protected:
    void SetUp() override
    {
        exact = DataWithStoredSize(2 * PayloadChunkSize);
        ASSERT_EQ(2 * PayloadChunkSize, SzddCompress(exact.data(), exact.size(), 'x').size());
        fs::create_directory(dir / "src");
        testutil::WriteFile(dir / "src/exact.bin", exact);
        testutil::WriteFile(dir / "src/text.txt", testutil::SampleText(300000));
        testutil::WriteFile(dir / "src/empty.txt", Bytes());
        testutil::WriteFile(dir / "src/tiny", testutil::FromText("tiny\n"));
        list = dir / "payload.list";
        WriteList("# name  source\n"
                  "exact.bin src/exact.bin\n"
                  "\n"
                  "text.txt   src/text.txt\n"
                  "  # indented comment\n"
                  "emptyfil.txt\tsrc/empty.txt\n"  // a base of eight characters
                  "tiny.dat src/tiny\n");
        out = dir / "out";
    }
    void WriteList(const std::string& text) { testutil::WriteFile(list, testutil::FromText(text)); }
    std::map<std::string, Bytes> Outputs()
    {
        std::map<std::string, Bytes> files;
        for (const fs::directory_entry& e : fs::directory_iterator(out))
            files[e.path().filename().string()] = testutil::ReadFile(e.path().string());
        return files;
    }

    Bytes exact;
    std::string list, out;
};

TEST_F(PackerRun, RowsChunksAndTable)
{
    std::vector<PackRow> rows;
    std::string error;
    ASSERT_TRUE(PackPayload(list, out, rows, error)) << error;
    ASSERT_EQ(4u, rows.size());

    EXPECT_EQ("exact.bin", rows[0].Name);
    EXPECT_EQ(100u, rows[0].FirstResource);
    EXPECT_EQ(2u, rows[0].ChunkCount);
    EXPECT_EQ(61440u, rows[0].LastChunkSize);
    EXPECT_EQ(exact.size(), rows[0].Size);
    EXPECT_EQ(CrcUpdate(exact.data(), static_cast<uint32_t>(exact.size()), CrcPreset), rows[0].Crc);
    EXPECT_EQ(0xFFFFFFFFu, rows[2].Crc) << "CRC of an empty file";
    EXPECT_EQ(1u, rows[2].ChunkCount);
    EXPECT_EQ(SzddHeaderSize, rows[2].LastChunkSize);

    uint32_t next = 100;
    for (const PackRow& row : rows) {
        EXPECT_EQ(next, row.FirstResource) << row.Name;
        next += row.ChunkCount;
        // The pieces, in id order, are the row's SZDD file.
        Bytes joined;
        for (uint32_t k = 0; k < row.ChunkCount; k++) {
            Bytes piece = testutil::ReadFile(out + "/chunk_" + std::to_string(row.FirstResource + k) + ".bin");
            EXPECT_EQ(k + 1 < row.ChunkCount ? PayloadChunkSize : row.LastChunkSize, piece.size());
            joined.insert(joined.end(), piece.begin(), piece.end());
        }
        EXPECT_EQ(row.StoredSize, joined.size());
        Bytes back;
        ASSERT_TRUE(SzddExpand(joined.data(), joined.size(), back, error)) << error;
        EXPECT_TRUE(back == testutil::ReadFile(row.Source)) << row.Name;
        EXPECT_EQ(static_cast<uint8_t>(row.Name.back()), joined[SzddNameCharOffset]);
    }

    std::string table = testutil::ReadText(out + "/file_table.cpp");
    EXPECT_NE(std::string::npos, table.find("#include \"core/file_entry.h\""));
    std::string line = TableLine({{"ComponentKey", "1"},
                                  {"Name", "\"exact.bin\""},
                                  {"Size", std::to_string(exact.size()) + "u"},
                                  {"Crc", std::to_string(rows[0].Crc) + "u"},
                                  {"Compressed", "1"},
                                  {"Disk", "1"},
                                  {"FirstResource", "100u"},
                                  {"ChunkCount", "2u"},
                                  {"ChunkSize", "61440u"},
                                  {"LastChunkSize", "61440u"}});
    EXPECT_NE(std::string::npos, table.find(line)) << line << "\n" << table;
    EXPECT_NE(std::string::npos, table.find(TableLine({}) + "\n};")) << table;

    std::string rc = testutil::ReadText(out + "/payload.rc");
    EXPECT_NE(std::string::npos, rc.find("LANGUAGE 9, 1\n100 RCDATA \"" + fs::absolute(out).string() + "/chunk_100.bin\"\n"));
    EXPECT_EQ(std::string::npos, rc.find("chunk_" + std::to_string(next) + ".bin"));
}

TEST_F(PackerRun, OutputsCompileAndAreStable)
{
    ASSERT_EQ(0, Kovapack("pack " + testutil::Quote(list) + " " + testutil::Quote(out))) << Stderr();
    EXPECT_NE(std::string::npos, Stdout().find("Together: 4 files")) << Stdout();
    std::map<std::string, Bytes> first = Outputs();
    std::map<std::string, fs::file_time_type> times;
    for (const auto& f : first)
        times[f.first] = fs::last_write_time(out + "/" + f.first);

    // A second run gives the same bytes and rewrites nothing.
    ASSERT_EQ(0, Kovapack("pack " + testutil::Quote(list) + " " + testutil::Quote(out))) << Stderr();
    EXPECT_TRUE(first == Outputs());
    for (const auto& f : times)
        EXPECT_EQ(f.second, fs::last_write_time(out + "/" + f.first)) << f.first << " was rewritten";

    // The table compiles against the real header; the script goes through
    // the resource compiler on its own, with every piece in English (US).
    std::string src = KOVA_SOURCE_DIR "/src";
    EXPECT_EQ(0, testutil::Run("g++ -std=c++17 -Wall -Werror -fsyntax-only -I" + testutil::Quote(src) + " " +
                               testutil::Quote(out + "/file_table.cpp")));
    std::string res = dir / "payload.res";
    ASSERT_EQ(0, testutil::Run("i686-w64-mingw32-windres -i " + testutil::Quote(out + "/payload.rc") + " -O res -o " +
                               testutil::Quote(res)));
    std::vector<ResEntry> entries = ReadRes(testutil::ReadFile(res));
    std::vector<uint32_t> ids;
    for (const ResEntry& e : entries) {
        ids.push_back(e.name);
        EXPECT_EQ(10u, e.type) << e.name;
        EXPECT_EQ(1033u, e.language) << e.name;
        EXPECT_TRUE(e.data == first["chunk_" + std::to_string(e.name) + ".bin"]) << e.name;
    }
    EXPECT_EQ((std::vector<uint32_t>{100, 101, 102, 103, 104}), ids);
}

TEST_F(PackerRun, ShorterListRemovesStaleChunksAndKeepsOtherFiles)
{
    std::vector<PackRow> rows;
    std::string error;
    ASSERT_TRUE(PackPayload(list, out, rows, error)) << error;
    uint32_t before = rows.back().FirstResource + rows.back().ChunkCount;
    testutil::WriteFile(out + "/extra.rc", testutil::FromText("900 RCDATA x"));
    WriteList("tiny.dat src/tiny\n");
    ASSERT_TRUE(PackPayload(list, out, rows, error)) << error;
    EXPECT_TRUE(fs::exists(out + "/chunk_100.bin"));
    for (uint32_t id = 101; id < before; id++)
        EXPECT_FALSE(fs::exists(out + "/chunk_" + std::to_string(id) + ".bin")) << id;
    EXPECT_EQ(std::string::npos, testutil::ReadText(out + "/payload.rc").find("101 RCDATA"));
    EXPECT_EQ("900 RCDATA x", testutil::ReadText(out + "/extra.rc"));
}

TEST_F(PackerRun, BadListsAreRefused)
{
    using namespace std::string_literals;
    testutil::WriteFile(dir / "src/huge.bin", Bytes());
    fs::resize_file(dir / "src/huge.bin", uint64_t(1) << 32);  // sparse
    ASSERT_EQ(0, mkfifo((dir / "src/fifo").c_str(), 0644));
    fs::create_symlink("/proc/self/mem", dir / "src/unreadable");  // opens, but every read fails
    fs::create_symlink(dir / "nowhere", dir / "dangling");
    struct Case {
        std::string list, says, outDir = "";
    } cases[] = {
        {"README src/tiny\n", ":1: \"README\" is not an 8.3 name"},  // no extension: no compressed name
        {"toolongname.txt src/tiny\n", ":1: \"toolongname.txt\" is not"},
        {"ninechars.txt src/tiny\n", ":1: \"ninechars.txt\" is not"},
        {"a.text src/tiny\n", ":1: \"a.text\" is not"},
        {"bad\"q.txt src/tiny\n", ":1: \"bad\"q.txt\" is not"},
        {"# two names alike\ntiny.dat src/tiny\nTiny.DAT src/text.txt\n", ":3: \"Tiny.DAT\" is listed already, on line 2"},
        {"con.txt src/tiny\n", ":1: \"con.txt\" is a device name"},
        {"Lpt9.log src/tiny\n", ":1: \"Lpt9.log\" is a"},
        {"onlyaname.txt\n", ":1: expected"},
        {"tiny.dat src/tiny\0.bak\n"s, ":1: the source path holds a control character"},
        {"\ngone.txt src/missing.txt\n", ":2: " + dir / "src/missing.txt: no such file"},
        {"dir.txt src\n", ":1: " + dir / "src: is a folder"},
        {"pipe.txt src/fifo\n", ":1: " + dir / "src/fifo: not a regular file"},
        {"mem.txt src/unreadable\n", ":1: " + dir / "src/unreadable: cannot read"},
        {"huge.bin src/huge.bin\n", ":1: " + dir / "src/huge.bin: too large"},
        {"tiny.dat src/tiny\n", "", dir / "src/tiny/out"},  // beneath a file
        {"tiny.dat src/tiny\n", "", dir / "dangling"},      // a link to nothing stays so
    };
    for (const Case& c : cases) {
        WriteList(c.list);
        std::string outDir = c.outDir.empty() ? out : c.outDir;
        EXPECT_EQ(1, Kovapack("pack " + testutil::Quote(list) + " " + testutil::Quote(outDir))) << c.list;
        ExpectOneLineError(c.outDir.empty() ? list + c.says : "kovapack: " + outDir + ": ");
        EXPECT_FALSE(fs::exists(out)) << c.list;
    }
}

// The rows for the build's shell scripts, and for CMake, which must read back
// every source whole: blanks, brackets and list separators included.
TEST_F(PackerRun, ListPrintsTheRowsForScriptsAndCMake)
{
    WriteList("# staged\n"
              "notes.txt  my notes]=].txt \n"
              "Tiny.dat\t/abs/a;b[c]]\n");
    ASSERT_EQ(0, Kovapack("list " + testutil::Quote(list))) << Stderr();
    EXPECT_EQ("notes.txt\tmy notes]=].txt\t" + dir / "my notes]=].txt" + "\nTiny.dat\t/abs/a;b[c]]\t/abs/a;b[c]]\n",
              Stdout());

    ASSERT_EQ(0, Kovapack("list --cmake " + testutil::Quote(list))) << Stderr();
    testutil::WriteFile(dir / "rows.cmake", testutil::FromText(Stdout()));
    testutil::WriteFile(dir / "show.cmake",
                        testutil::FromText("include(\"" + dir / "rows.cmake" + "\")\n"
                                           "message(\"${PAYLOAD_ROWS}\")\n"
                                           "foreach(i 0 1)\n"
                                           "  message(\"${PAYLOAD_NAME_${i}}|${PAYLOAD_SOURCE_${i}}\")\n"
                                           "endforeach()\n"));
    ASSERT_EQ(0, testutil::Run("cmake -P " + testutil::Quote(dir / "show.cmake") + " 2> " +
                               testutil::Quote(dir / "shown")));
    EXPECT_EQ("2\nnotes.txt|my notes]=].txt\nTiny.dat|/abs/a;b[c]]\n", testutil::ReadText(dir / "shown"));

    WriteList("tiny.dat src/tiny\nTINY.dat src/text.txt\n");
    EXPECT_EQ(1, Kovapack("list --cmake " + testutil::Quote(list)));
    ExpectOneLineError(list + ":2: ");
}

// Beside the output a pack leaves neither the folder it replaced nor the
// staging folders of packs into it that were stopped; those of another
// output, and names it does not make, are not its own.
TEST_F(PackerRun, PacksLeaveNothingBesideTheOutput)
{
    const std::string pack = "pack " + testutil::Quote(list) + " " + testutil::Quote(out);
    ASSERT_EQ(0, Kovapack(pack)) << Stderr();
    std::set<std::string> beside = {"src", "payload.list", "out", "stdout", "stderr", ".out.kovapack-x",
                                    ".other.kovapack-Ab12Cd"};
    for (std::string name : {".out.kovapack-x", ".other.kovapack-Ab12Cd", ".out.kovapack-Zy98Xw"}) {
        fs::create_directory(dir / name);
        testutil::WriteFile(dir / (name + "/chunk_100.bin"), testutil::FromText("stale"));
    }
    ASSERT_EQ(0, Kovapack(pack)) << Stderr();
    std::set<std::string> found;
    for (const fs::directory_entry& e : fs::directory_iterator(dir.path()))
        found.insert(e.path().filename().string());
    EXPECT_EQ(beside, found);
}

TEST_F(PackerRun, FailedPackLeavesTheOldOutput)
{
    ASSERT_EQ(0, Kovapack("pack " + testutil::Quote(list) + " " + testutil::Quote(out))) << Stderr();
    std::map<std::string, Bytes> before = Outputs();
    // The first row changes the first pieces; the second cannot be read.
    WriteList("text.txt src/text.txt\nsub.txt src\n");
    EXPECT_EQ(1, Kovapack("pack " + testutil::Quote(list) + " " + testutil::Quote(out)));
    EXPECT_TRUE(before == Outputs());
    size_t entries = std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator());
    EXPECT_EQ(5u, entries) << "something was left beside the output";  // src, the list, out, stdout, stderr
}

}  // namespace
