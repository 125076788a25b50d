// The product's descriptor as start-up fills it, and the payload pieces as
// the build step stored them, read back through Wine's resource loader and
// expanded by Wine's lz32.
#include <gtest/gtest.h>

#include <windows.h>
#include <lzexpand.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/crc.h"
#include "core/descriptor.h"
#include "core/product_tables.h"
#include "frame/wizard.h"
#include "payload/copy_engine.h"
#include "scratch_files.h"

namespace {

std::vector<unsigned char> ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The stored names in table order, from kovapack's rows of the payload list
// (the name first, then a tab).
std::vector<std::string> StoredNames()
{
    std::vector<std::string> names;
    std::ifstream rows(WindowsPath(KOVA_PAYLOAD_ROWS));
    std::string line;
    while (std::getline(rows, line))
        names.push_back(line.substr(0, line.find('\t')));
    return names;
}

class ConfigureTest : public ::testing::Test {
protected:
    void SetUp() override { RegDeleteKeyA(HKEY_LOCAL_MACHINE, ProductAppPathsKey); }
    void TearDown() override { RegDeleteKeyA(HKEY_LOCAL_MACHINE, ProductAppPathsKey); }

    std::string FolderFor(const char* earlierPath)
    {
        if (earlierPath) {
            HKEY key;
            EXPECT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, ProductAppPathsKey, &key), ERROR_SUCCESS);
            RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(earlierPath),
                           lstrlenA(earlierPath) + 1);
            RegCloseKey(key);
        }
        InstallDescriptor d = {};
        ConfigureInstallation(&d);
        return d.DefaultFolder ? d.DefaultFolder : "(null)";
    }
};

TEST_F(ConfigureTest, DefaultFolderComesFromTheEarlierApplicationPath)
{
    EXPECT_EQ(FolderFor(nullptr), "KOVAwin");
    EXPECT_EQ(FolderFor("D:\\Apps\\KOVA\\kovamain.exe"), "D:\\Apps\\KOVA");
    EXPECT_EQ(FolderFor("D:/Apps/KOVA/kovamain.exe"), "D:/Apps/KOVA/");
    EXPECT_EQ(FolderFor("kovamain.exe"), "KOVAwin"); // no separator: no candidate
}

TEST_F(ConfigureTest, FillsTheDescriptorAndGivesFiveFilesTheirLongNames)
{
    InstallDescriptor d = {};
    ConfigureInstallation(&d);
    EXPECT_EQ(d.Files, FileTable);
    EXPECT_STREQ(FileTable[4].Name, "kova_help.kbx");
    EXPECT_STREQ(FileTable[11].Name, "tarndaemon.conf");
    EXPECT_STREQ(FileTable[12].Name, "kova.conf");
    EXPECT_STREQ(FileTable[13].Name, "sys_structure.conf");
    EXPECT_STREQ(FileTable[14].Name, "Getting Started with KOVA.html");
    EXPECT_STREQ(FileTable[0].Name, "kovamain.exe");
    EXPECT_EQ(ProgramSelected, 1);
    EXPECT_EQ(DatabaseSelected, 1);
    ASSERT_NE(d.PageTemplates, nullptr);
    EXPECT_STREQ(d.PageTemplates[PageDestination], "DESTDIRDLG1");
    EXPECT_STREQ(d.PageTemplates[d.PageCount - 1], "READYDLG");
    // A template a leave step changed is the row's again in a new configuration.
    d.PageTemplates[PageDestination] = "DESTDIRDLG2";
    ConfigureInstallation(&d);
    ASSERT_EQ(d.PageCount, ProductPageCount);
    for (const PageRow& row : ProductPages) {
        EXPECT_STREQ(d.PageTemplates[row.Id], row.Template);
        EXPECT_EQ(d.PageProcedures[row.Id], row.Procedure);
    }
    // The static tables start unselected; the welcome page's leave step selects.
    for (FileEntry* row = d.Files; row->ComponentKey; row++)
        EXPECT_EQ(row->Selected, 0) << row->Name;
    EXPECT_EQ(d.Directories[0].ComponentKey, 0); // present but empty
    EXPECT_STREQ(d.ProgramItems[2].ItemTitle, "KOVAwin");
    EXPECT_EQ(d.ProgramItems[2].ComponentKey, 0);
}

TEST(PayloadResources, EveryRowsPiecesExpandThroughLz32ToTheSourceWithTheTablesCrc)
{
    std::vector<std::string> names = StoredNames();
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    std::string packed = std::string(temp) + "kova_payload_test.ex_";
    std::string expanded = std::string(temp) + "kova_payload_test.out";

    uint32_t expectedId = FirstPayloadResource;
    size_t row = 0;
    for (; FileTable[row].ComponentKey != 0; row++) {
        const FileEntry& e = FileTable[row];
        ASSERT_LT(row, names.size());
        SCOPED_TRACE(names[row]);
        EXPECT_EQ(e.FirstResource, expectedId); // contiguous ids across rows
        EXPECT_EQ(e.ChunkSize, PayloadChunkSize);
        EXPECT_GE(e.LastChunkSize, 1u);
        EXPECT_LE(e.LastChunkSize, PayloadChunkSize);
        expectedId += e.ChunkCount;

        std::ofstream out(packed, std::ios::binary | std::ios::trunc);
        for (uint32_t i = 0; i < e.ChunkCount; i++) {
            uint32_t size = 0;
            HGLOBAL piece = LoadPayloadChunk(e.FirstResource + i, &size);
            ASSERT_NE(piece, nullptr) << "piece " << e.FirstResource + i;
            uint32_t length = i + 1 == e.ChunkCount ? e.LastChunkSize : e.ChunkSize;
            ASSERT_GE(size, length);
            out.write(static_cast<const char*>(LockResource(piece)), length);
            FreeResource(piece);
        }
        out.close();

        OFSTRUCT ofs;
        INT source = LZOpenFileA(const_cast<char*>(packed.c_str()), &ofs, OF_READ);
        INT target = LZOpenFileA(const_cast<char*>(expanded.c_str()), &ofs, OF_CREATE | OF_WRITE);
        ASSERT_GE(source, 0);
        ASSERT_GE(target, 0);
        EXPECT_GE(LZCopy(source, target), 0);
        LZClose(source);
        LZClose(target);

        std::vector<unsigned char> bytes = ReadAll(expanded);
        EXPECT_EQ(bytes, ReadAll(WindowsPath(std::string(KOVA_PAYLOAD_STAGE "/") + names[row])));
        EXPECT_EQ(bytes.size(), e.Size);
        EXPECT_EQ(CrcUpdate(bytes.data(), static_cast<uint32_t>(bytes.size()), 0xFFFFFFFFu), e.Crc);
    }
    EXPECT_EQ(row, 15u);
    EXPECT_EQ(LoadPayloadChunk(expectedId), nullptr); // nothing after the last piece
    DeleteFileA(packed.c_str());
    DeleteFileA(expanded.c_str());
}

} // namespace
