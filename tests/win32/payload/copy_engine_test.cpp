// The copy engine under Wine, with real resources, Wine's lz32 and real
// file-system failures.
#include <cstdlib>
#include <cstring>

#include "copy_fixture.h"
#include "frame/frame.h"
#include "pages/paths.h"
#include "core/crc.h"

namespace {

const char* const PayloadNames[] = {"notes.txt", "manual.htm", "noise.kbx", "kovamain.exe", "zeros.dat",
                                    "empty.txt"};

uint32_t CrcOf(const std::string& bytes)
{
    return CrcUpdate(bytes.data(), static_cast<uint32_t>(bytes.size()), CrcPreset);
}

std::string Compressed(std::string path)
{
    path.back() = '_';
    return path;
}

// The drive mapped to a 2 MB tmpfs by run-with-small-drive.sh.
std::string SmallDrive()
{
    const char* drive = std::getenv("KOVA_SMALL_DRIVE");
    return drive ? std::string(drive) + "\\" : std::string();
}

}  // namespace

TEST_F(CopyTest, WholePayloadInstallsByteForByteWithTheReleaseTime)
{
    std::vector<FileEntry> rows;
    uint32_t total = 0;
    for (const char* name : PayloadNames) {
        rows.push_back(PackedRow(name));
        total += rows.back().Size;
    }
    // The payload covers several pieces and a stored form larger than the file.
    ASSERT_GT(PackedRow("manual.htm").ChunkCount, 1u);
    ASSERT_GT(StoredSize(PackedRow("noise.kbx")), PackedRow("noise.kbx").Size);
    Start(rows);
    EXPECT_EQ(engine_->BytesTotal, total);
    ASSERT_TRUE(Copy()) << ErrorMessage(engine_->ErrorCode, engine_->ErrorArg);
    EXPECT_EQ(engine_->ErrorCode, 0);
    EXPECT_EQ(engine_->BytesDone, engine_->BytesTotal);
    EXPECT_STREQ(engine_->PartialFile, "");
    for (size_t i = 0; i < rows.size(); i++) {
        std::string installed = Target(Row(i).Name);
        SCOPED_TRACE(installed);
        // Before anything reads the file and moves its access time.
        EXPECT_TRUE(HasReleaseTime(installed));
        std::string bytes = ReadAll(installed);
        EXPECT_EQ(Row(i).Selected, 2);
        EXPECT_TRUE(bytes == ReadAll(StagePath(Row(i).Name)));
        EXPECT_EQ(bytes.size(), Row(i).Size);
        EXPECT_EQ(CrcOf(bytes), Row(i).Crc);
        EXPECT_FALSE(Exists(Compressed(installed)));
    }
    EXPECT_EQ(Text(page_, IDC_CURRENT_DISK), "1");
    EXPECT_EQ(Text(page_, IDC_STEP_LABEL), "Copying file:");
    EXPECT_EQ(Text(page_, IDC_CURRENT_FILE), "empty.txt");
}

TEST_F(CopyTest, NothingSelectedCopiesNothingAndSucceeds)
{
    Start({PackedRow("notes.txt"), PackedRow("manual.htm")}, false);
    EXPECT_EQ(engine_->BytesTotal, 0u);
    ASSERT_TRUE(Copy());
    EXPECT_EQ(engine_->BytesDone, 0u);
    EXPECT_FALSE(Exists(Target("notes.txt")));
    EXPECT_FALSE(Exists(Target("notes.tx_")));
    EXPECT_EQ(Row(0).Selected, 0);
}

TEST_F(CopyTest, OnlyDiskOneIsCopied)
{
    FileEntry other = PackedRow("manual.htm");
    other.Disk = 2;
    Start({other, PackedRow("notes.txt")});
    ASSERT_TRUE(Copy());
    EXPECT_FALSE(Exists(Target("manual.htm")));
    EXPECT_TRUE(Exists(Target("notes.txt")));
}

// Each failure is made real: a resource that is not there, a name that is a
// directory, a full disk, a damaged piece, a stream lz32 refuses, a read
// that fails in the kernel.
class CopyFailureTest : public CopyTest {
protected:
    void ExpectFailure(int code, const char* argument, const std::string& message)
    {
        EXPECT_FALSE(Copy());
        EXPECT_EQ(engine_->ErrorCode, code);
        if (argument == nullptr)
            EXPECT_EQ(engine_->ErrorArg, nullptr);
        else
            EXPECT_STREQ(engine_->ErrorArg, argument);
        EXPECT_EQ(ErrorMessage(engine_->ErrorCode, engine_->ErrorArg), message);
        // A failed engine does nothing more.
        EXPECT_FALSE(CopyAllFiles(engine_));
    }
};

TEST_F(CopyFailureTest, PieceMissingAfterTheFirstIsCode2)
{
    // The last packed row, claiming one piece more than the payload holds.
    FileEntry* last = FileTable;
    while (last[1].ComponentKey != 0)
        last++;
    FileEntry row = *last;
    row.Name = "longer.txt";
    row.ChunkCount += 1;
    Start({PackedRow("notes.txt"), row});
    ExpectFailure(ErrDataMissing, "longer.txt", "Internal data is missing. Contact your supplier.");
    Destroy();
    EXPECT_FALSE(Exists(Target("longer.tx_")));
    EXPECT_TRUE(Exists(Target("notes.txt")));
}

TEST_F(CopyFailureTest, PieceShorterThanTheTableSaysIsCode2)
{
    FileEntry row = PackedRow("notes.txt");
    ASSERT_EQ(row.ChunkCount, 1u);
    row.LastChunkSize = row.ChunkSize;
    Start({row});
    ExpectFailure(ErrDataMissing, "notes.txt", "Internal data is missing. Contact your supplier.");
}

TEST_F(CopyFailureTest, NoResourceAndNoSourceFileIsCode1)
{
    FileEntry row = PackedRow("notes.txt");
    row.Name = "absent.txt";
    row.FirstResource = 4000;
    Start({row});
    ExpectFailure(ErrSourceMissing, "absent.txt", "The source file absent.txt is missing. Contact your supplier.");
    EXPECT_EQ(Row(0).Selected, 1);
}

TEST_F(CopyFailureTest, OutputNameThatIsADirectoryIsCode3)
{
    ASSERT_TRUE(CreateDirectoryA(Target("notes.tx_").c_str(), nullptr));
    Start({PackedRow("notes.txt")});
    ExpectFailure(ErrCreateFile, "notes.txt",
                  "Cannot create file notes.txt. Be sure the disk is writable and you have write access.\n\n"
                  "If you have an earlier version of KOVA running, please close it down and restart the "
                  "installation.");
    EXPECT_EQ(Row(0).Selected, 2);
}

// lz32 meets a final name it cannot create by trying the compressed name
// instead, which is the copy just written: that is truncated, expanded onto
// itself and deleted, and the final file is then not there to be read.
// The final file itself cannot be made: code 3, never a checksum error about
// whatever stands at the final name.
TEST_F(CopyFailureTest, FinalNameThatIsADirectoryIsCode3)
{
    ASSERT_TRUE(CreateDirectoryA(Target("notes.txt").c_str(), nullptr));
    Start({PackedRow("notes.txt")});
    ExpectFailure(ErrCreateFile, "notes.txt", ErrorMessage(ErrCreateFile, "notes.txt"));
}

TEST_F(CopyFailureTest, FinalFileInUseWithoutWriteSharingIsCode3)
{
    const std::string held = "held by a running program";
    HANDLE file = CreateFileA(Target("notes.txt").c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, held.data(), DWORD(held.size()), &written, nullptr);
    FileEntry row = PackedRow("notes.txt");
    row.Crc = 0;  // a wrong file would not even be caught by the checksum
    Start({row});
    ExpectFailure(ErrCreateFile, "notes.txt", ErrorMessage(ErrCreateFile, "notes.txt"));
    CloseHandle(file);
    EXPECT_EQ(ReadAll(Target("notes.txt")), held);
}

TEST_F(CopyFailureTest, CompressedRowWithoutADotIsCode3)
{
    FileEntry row = PackedRow("notes.txt");
    row.Name = "README";
    Start({row});
    ExpectFailure(ErrCreateFile, "README", ErrorMessage(ErrCreateFile, "README"));
    EXPECT_FALSE(Exists(Target("README")));
}

TEST_F(CopyFailureTest, FullDiskIsCode5NamingTheCompressedCopy)
{
    std::string drive = SmallDrive();
    ASSERT_FALSE(drive.empty()) << "KOVA_SMALL_DRIVE unset: run through run-with-small-drive.sh as root";
    RemoveTree(drive + "x");
    DeleteFileA((drive + "kovamain.ex_").c_str());
    SetDestinationDir(drive.c_str());  // a drive root: no second '\'
    Start({PackedRow("kovamain.exe")});
    ASSERT_GT(StoredSize(Row(0)), 2u * 1024 * 1024);
    ExpectFailure(ErrWriteFile, "kovamain.ex_", "Cannot write to file kovamain.ex_. A write error has occurred.");
    EXPECT_EQ(std::string(engine_->PartialFile), drive + "kovamain.ex_");
    EXPECT_TRUE(Exists(drive + "kovamain.ex_"));
    Destroy();
    EXPECT_FALSE(Exists(drive + "kovamain.ex_"));
    // The argument outlives the cleanup that emptied PartialFile.
    EXPECT_STREQ(engine_->ErrorArg, "kovamain.ex_");
}

TEST_F(CopyFailureTest, ExpansionThatRunsOutOfSpaceIsCode9)
{
    std::string drive = SmallDrive();
    ASSERT_FALSE(drive.empty()) << "KOVA_SMALL_DRIVE unset: run through run-with-small-drive.sh as root";
    SetDestinationDir(drive.c_str());
    Start({PackedRow("zeros.dat")});
    ASSERT_LT(StoredSize(Row(0)), 1024u * 1024);
    ExpectFailure(ErrUncompress, "zeros.dat",
                  "Cannot uncompress file zeros.dat. File is bad or a write error occurred.");
    Destroy();
    EXPECT_EQ(FileSize(drive + "zeros.da_"), StoredSize(Row(0)));
    DeleteFileA((drive + "zeros.da_").c_str());
    DeleteFileA((drive + "zeros.dat").c_str());
}

TEST_F(CopyFailureTest, CorruptedPieceIsCode7AndLeavesTheExpandedFile)
{
    FileEntry row = PackedRow("notes.txt");
    row.FirstResource = 900;
    Start({row});
    ExpectFailure(ErrChecksum, "notes.txt", "Checksum error in file notes.txt. The source disk may be bad.");
    Destroy();
    EXPECT_TRUE(Exists(Target("notes.txt")));
    EXPECT_FALSE(Exists(Target("notes.tx_")));
}

TEST_F(CopyTest, CorruptedPieceWithCrcZeroIsNotChecked)
{
    FileEntry row = PackedRow("notes.txt");
    row.FirstResource = 900;
    row.Crc = 0;
    Start({row, PackedRow("empty.txt")});
    ASSERT_TRUE(Copy()) << ErrorMessage(engine_->ErrorCode, engine_->ErrorArg);
    // The damage is there; nothing looked for it.
    EXPECT_NE(ReadAll(Target("notes.txt")), ReadAll(StagePath("notes.txt")));
    EXPECT_EQ(engine_->BytesDone, engine_->BytesTotal);
}

TEST_F(CopyFailureTest, FailingReadOfAFileBesideTheInstallerIsCode4)
{
    FileEntry row = {};
    row.ComponentKey = 1;
    row.Name = "rdfail.dat";
    row.Disk = 1;
    Start({row});
    ExpectFailure(ErrReadFile, "rdfail.dat", "Cannot read from file rdfail.dat. The source disk may be bad.");
    Destroy();
    EXPECT_FALSE(Exists(Target("rdfail.dat")));
}

// Files beside the installer: plain, or only in compressed form, read in
// 8192-byte blocks with the CRC taken while writing.
TEST_F(CopyTest, SourcesBesideTheInstallerArePlainOrCompressed)
{
    FileEntry manual = PackedRow("manual.htm");
    FileEntry plain = manual;
    plain.Name = "beside.txt";
    plain.FirstResource = 0;
    FileEntry packed = plain;
    packed.Name = "packed.txt";
    Start({plain, packed});
    StopAnswerer answerer(engine_, 0);
    ASSERT_TRUE(Copy()) << ErrorMessage(engine_->ErrorCode, engine_->ErrorArg);
    const std::vector<StopPoint>& points = answerer.Finish();
    EXPECT_TRUE(HasReleaseTime(Target("beside.txt")));
    EXPECT_TRUE(HasReleaseTime(Target("packed.txt")));
    std::string original = ReadAll(StagePath("manual.htm"));
    EXPECT_TRUE(ReadAll(Target("beside.txt")) == original);
    EXPECT_TRUE(ReadAll(Target("packed.txt")) == original);
    EXPECT_FALSE(Exists(Target("packed.tx_")));
    EXPECT_EQ(engine_->BytesDone, 2 * manual.Size);
    // Progress moves in whole blocks until each file's last one.
    size_t blocks = 0;
    for (const StopPoint& point : points) {
        uint32_t inFile = point.File == "beside.txt" ? point.BytesDone : point.BytesDone - manual.Size;
        if (!point.File.empty() && inFile != manual.Size) {
            EXPECT_EQ(inFile % SourceBufferSize, 0u) << point.File << " at " << point.BytesDone;
            blocks++;
        }
    }
    EXPECT_GE(blocks, 2 * (manual.Size / SourceBufferSize));
}

TEST_F(CopyTest, StopQuestionAnsweredNoLetsTheCopyFinish)
{
    Start({PackedRow("notes.txt"), PackedRow("manual.htm")});
    StopAnswerer answerer(engine_, 0);
    ASSERT_TRUE(Copy());
    const std::vector<StopPoint>& points = answerer.Finish();
    // Two before the files; per compressed row two when it begins, two per
    // piece, five while it is finished.
    size_t expected = 2;
    for (size_t i = 0; i < 2; i++)
        expected += 7 + 2 * Row(i).ChunkCount;
    EXPECT_EQ(points.size(), expected);
    for (const StopPoint& point : points)
        EXPECT_EQ(point.Text, "Do you want to stop the installation?");
    EXPECT_TRUE(ReadAll(Target("manual.htm")) == ReadAll(StagePath("manual.htm")));
    EXPECT_EQ(engine_->BytesDone, engine_->BytesTotal);
}

// A Yes at every stop point in turn.
TEST_F(CopyTest, StopAtEachPointEndsWithCode10AndCleansUp)
{
    std::vector<FileEntry> rows = {PackedRow("notes.txt"), PackedRow("manual.htm")};
    Start(rows);
    std::vector<StopPoint> points;
    {
        StopAnswerer survey(engine_, 0);
        ASSERT_TRUE(Copy());
        points = survey.Finish();
    }
    ASSERT_GT(points.size(), 10u);
    for (size_t n = 1; n <= points.size(); n++) {
        const StopPoint& at = points[n - 1];
        SCOPED_TRACE("stop " + std::to_string(n) + " at " + at.File + " " + at.Label + " " + at.Partial);
        Destroy();
        FreeCopyEngine(engine_);
        engine_ = nullptr;
        destroyed_ = false;
        std::string dir = target_.substr(0, target_.size() - 1);
        RemoveTree(dir);
        ASSERT_TRUE(CreateDirectoryA(dir.c_str(), nullptr));
        Start(rows);
        {
            StopAnswerer answerer(engine_, static_cast<int>(n));
            EXPECT_FALSE(Copy());
            answerer.Finish();
        }
        EXPECT_EQ(engine_->ErrorCode, ErrAborted);
        EXPECT_EQ(engine_->ErrorArg, nullptr);
        EXPECT_EQ(ErrorMessage(engine_->ErrorCode, engine_->ErrorArg), "Installation aborted.");
        std::string partial = engine_->PartialFile;
        EXPECT_EQ(partial, at.Partial);
        Destroy();
        if (!partial.empty()) {
            EXPECT_FALSE(Exists(partial));
        }
        // Files finished before the stop stay.
        if (at.File == "manual.htm") {
            EXPECT_TRUE(ReadAll(Target("notes.txt")) == ReadAll(StagePath("notes.txt")));
        }
        // Between creating the final file and the expansion: the compressed
        // copy and an empty final file.
        if (n >= 2 && at.Label == "Uncompressing:" && at.BytesDone == points[n - 2].BytesDone &&
            points[n - 2].Label != "Uncompressing:") {
            FileEntry* row = at.File == "notes.txt" ? &Row(0) : &Row(1);
            EXPECT_EQ(FileSize(Compressed(Target(row->Name))), StoredSize(*row));
            EXPECT_EQ(FileSize(Target(row->Name)), 0);
        }
    }
}

TEST_F(CopyTest, ProgressOfAFileLargerCompressedMovesByHalvesOfTheDifference)
{
    FileEntry noise = PackedRow("noise.kbx");
    FileEntry notes = PackedRow("notes.txt");
    Start({notes, noise});
    StopAnswerer answerer(engine_, 0);
    ASSERT_TRUE(Copy());
    const std::vector<StopPoint>& points = answerer.Finish();
    int32_t d = static_cast<int32_t>(noise.Size - StoredSize(noise));
    ASSERT_LT(d, 0);
    int32_t h = d / 2;
    std::vector<uint32_t> uncompressing;
    for (const StopPoint& point : points) {
        if (point.File == "noise.kbx" && point.Label == "Uncompressing:")
            uncompressing.push_back(point.BytesDone);
    }
    ASSERT_EQ(uncompressing.size(), 4u);
    EXPECT_EQ(uncompressing[0], notes.Size + StoredSize(noise));
    EXPECT_EQ(uncompressing[2], static_cast<uint32_t>(notes.Size + StoredSize(noise) + h));
    EXPECT_EQ(points.back().BytesDone, notes.Size + noise.Size);
    EXPECT_EQ(engine_->BytesDone, engine_->BytesTotal);
}

// Font rows go to the Windows folder; one that is there already is counted
// and left alone.
TEST_F(CopyTest, FontRowsGoToTheFontFolderAndExistingOnesAreSkipped)
{
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, MAX_PATH);
    std::string fonts = std::string(windows) + "\\Fonts\\sample.fon";
    std::string system = std::string(windows) + "\\SYSTEM\\sample.fon";
    DeleteFileA(fonts.c_str());
    DeleteFileA(system.c_str());

    FileEntry font = PackedRow("sample.fon");
    Start({font});
    ASSERT_TRUE(Copy()) << ErrorMessage(engine_->ErrorCode, engine_->ErrorArg);
    EXPECT_TRUE(ReadAll(fonts) == ReadAll(StagePath("sample.fon")));
    EXPECT_FALSE(Exists(Target("sample.fon")));
    Destroy();
    FreeCopyEngine(engine_);
    engine_ = nullptr;
    destroyed_ = false;

    HANDLE marker = CreateFileA(fonts.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(marker, "kept", 4, &written, nullptr);
    CloseHandle(marker);
    Start({font, PackedRow("notes.txt")});
    ASSERT_TRUE(Copy());
    EXPECT_EQ(ReadAll(fonts), "kept");
    EXPECT_EQ(Row(0).Selected, 1);
    EXPECT_EQ(engine_->BytesDone, engine_->BytesTotal);
    Destroy();
    FreeCopyEngine(engine_);
    engine_ = nullptr;
    destroyed_ = false;

    // Every Windows has its SYSTEM folder; Wine makes it only where 32-bit
    // programs run, so a 64-bit prefix on a host without them lacks it.
    std::string systemDir = std::string(windows) + "\\SYSTEM";
    bool madeSystemDir = CreateDirectoryA(systemDir.c_str(), nullptr) != 0;
    UseFontsFolder = 0;
    Start({font});
    EXPECT_TRUE(Copy());
    EXPECT_TRUE(ReadAll(system) == ReadAll(StagePath("sample.fon")));
    DeleteFileA(fonts.c_str());
    DeleteFileA(system.c_str());
    if (madeSystemDir)
        RemoveDirectoryA(systemDir.c_str());
}

TEST_F(CopyFailureTest, SharedFilesDirectoryThatCannotBeCreatedIsCode11)
{
    // On the destination's drive, below a file of the same name as a folder.
    std::string blocker = Target("blocker");
    HANDLE file = CreateFileA(blocker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
    std::string shared = blocker + "\\Shared";
    SetSharedFilesDir(shared.c_str());
    FileEntry row = PackedRow("notes.txt");
    row.TargetSelector = 1;
    Start({row});
    ExpectFailure(ErrCreateDirectory, (shared + "\\").c_str(), "Cannot create directory.");
    SetSharedFilesDir("");
    // Nothing was copied and the row keeps its target.
    EXPECT_EQ(Row(0).Selected, 1);
    EXPECT_EQ(Row(0).TargetSelector, 1);
    EXPECT_FALSE(Exists(Target("notes.txt")));
}

TEST_F(CopyTest, SharedFilesDirectoryOffTheDestinationDriveIsNotUsed)
{
    SetSharedFilesDir("Z:\\elsewhere");
    FileEntry row = PackedRow("notes.txt");
    row.TargetSelector = 1;
    Start({row});
    ASSERT_TRUE(Copy());
    SetSharedFilesDir("");
    EXPECT_EQ(Row(0).TargetSelector, 0);
    EXPECT_STREQ(engine_->SharedDir, "");
    EXPECT_TRUE(Exists(Target("notes.txt")));
}
