#include "payload/copy_engine.h"

#include <direct.h>
#include <lzexpand.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/compressed_name.h"
#include "core/crc.h"
#include "core/file_folder.h"
#include "core/text_format.h"
#include "frame/frame.h"
#include "frame/setup_log.h"
#include "pages/pages.h"
#include "pages/paths.h"

namespace {

const char* const LabelCopying = "Copying file:";
const char* const LabelUncompressing = "Uncompressing:";
const char* const LabelChecksum = "Checksum:";

bool Fail(CopyEngine* engine, int code, const char* argument)
{
    engine->ErrorCode = code;
    engine->ErrorArg = argument;
    return false;
}

// True when the user confirmed a stop; the engine then holds code 10.
bool Stopped(CopyEngine* engine)
{
    if (!engine->Session->Host->StopConfirmed())
        return false;
    Fail(engine, ErrAborted, nullptr);
    return true;
}

// Copies `text` into `out` (MAX_PATH); false when it does not fit.
bool CopyPath(char* out, const char* text)
{
    size_t length = std::strlen(text);
    if (length >= MAX_PATH)
        return false;
    std::memcpy(out, text, length + 1);
    return true;
}

bool AppendPath(char* out, const char* text)
{
    size_t have = std::strlen(out);
    size_t length = std::strlen(text);
    if (have + length >= MAX_PATH)
        return false;
    std::memcpy(out + have, text, length + 1);
    return true;
}

// A directory with exactly one trailing '\' (an empty one stays empty).
bool CopyDirectory(char* out, const char* dir)
{
    return MakeDestinationPrefix(dir, out, MAX_PATH) != 0;
}

const char* LastComponent(const char* path)
{
    const char* slash = std::strrchr(path, '\\');
    return slash ? slash + 1 : path;
}

void ShowStep(CopyEngine* engine, const char* label)
{
    engine->Session->Host->Status(StatusStep, label);
}

void AddDone(CopyEngine* engine, int32_t amount)
{
    engine->BytesDone += static_cast<uint32_t>(amount);
    engine->Session->Host->Progress(engine->BytesDone, engine->BytesTotal);
}

void CloseSource(CopyEngine* engine)
{
    if (engine->Source == 0)
        return;
    if (engine->SourceIsLz)
        LZClose(engine->Source);
    else
        _lclose(engine->Source);
    engine->Source = 0;
}

void FreeChunk(CopyEngine* engine)
{
    if (engine->Chunk == nullptr)
        return;
    FreeResource(engine->Chunk);
    engine->Chunk = nullptr;
    engine->Buffer = nullptr;
}

// The engine's own buffer is the Buffer of a file source (no piece loaded).
void FreeOwnBuffer(CopyEngine* engine)
{
    if (engine->Chunk == nullptr && engine->Buffer != nullptr)
        std::free(engine->Buffer);
    engine->Buffer = nullptr;
}

// Sets all three times of a file open for writing, through that handle: no
// second open of the file.
void StampFile(HFILE file, const FILETIME* time)
{
    SetFileTime(reinterpret_cast<HANDLE>(static_cast<INT_PTR>(file)), time, time, time);
}

void BuildReleaseTime(CopyEngine* engine)
{
    const InstallDescriptor* d = engine->Descriptor;
    ReleaseStamp stamp = ReleaseStampOf(d->ReleaseYear, d->ReleaseMonth, d->ReleaseDay, d->Version);
    SYSTEMTIME local = {};
    local.wYear = static_cast<WORD>(stamp.Year);
    local.wMonth = static_cast<WORD>(stamp.Month);
    local.wDay = static_cast<WORD>(stamp.Day);
    local.wDayOfWeek = 0;
    local.wHour = static_cast<WORD>(stamp.Hour);
    local.wMinute = static_cast<WORD>(stamp.Minute);
    FILETIME localTime = {};
    SystemTimeToFileTime(&local, &localTime);
    LocalFileTimeToFileTime(&localTime, &engine->ReleaseTime);
}

// Opens an existing file for reading through the LZ library: an SZDD file
// reads as its expanded bytes, any other file as itself. The file is opened
// here, not by the library's own open, which knows no path longer than 127
// characters. A negative result is a failure.
INT OpenLzSource(const char* path)
{
    HFILE file = _lopen(path, OF_READ);
    if (file == HFILE_ERROR)
        return -1;
    INT lz = LZInit(file);
    if (lz < 0)
        _lclose(file);
    return lz;
}

// The expansion of a compressed row (FinishFile step 5): expands the
// compressed copy through the LZ library to the final name, deletes it, and
// runs the result through the CRC. Progress moves by half the size
// difference after the expansion and by the rest after the checksum.
bool ExpandFile(CopyEngine* engine, FileEntry* entry)
{
    int ok = 0;
    BYTE* block = nullptr;
    char finalPath[MAX_PATH];
    char compressedPath[MAX_PATH];
    int32_t difference = static_cast<int32_t>(entry->Size - engine->FileBytesWritten);
    int32_t half = difference / 2;
    UINT got = 0;
    HFILE created = HFILE_ERROR;

    ShowStep(engine, LabelUncompressing);
    const char* target = TargetPath(engine, entry->Name, entry->TargetSelector);
    if (target == nullptr || !CopyPath(finalPath, target)) {
        Fail(engine, ErrCreateFile, entry->Name);
        goto done;
    }
    // The final file is created here under its own name. The LZ library's
    // create, when the final name cannot be made (a directory stands there,
    // a program in use), falls back to the compressed name it was given,
    // and the compressed copy would then be "expanded" onto itself.
    created = _lcreat(finalPath, 0);
    if (created == HFILE_ERROR) {
        Fail(engine, ErrCreateFile, entry->Name);
        goto done;
    }
    engine->Expanded = created;
    if (Stopped(engine))
        goto done;

    CopyPath(compressedPath, finalPath);
    CompressedName(compressedPath);
    engine->Source = OpenLzSource(compressedPath);
    if (engine->Source < 0) {
        engine->Source = 0;
        Fail(engine, ErrUncompress, entry->Name);
        goto done;
    }
    engine->SourceIsLz = 1;
    if (Stopped(engine))
        goto done;

    // The library expands into a block of ours, written out whole: its own
    // copy loop reads and writes a thousand bytes at a time. The same block
    // then takes the checksum's reads.
    block = static_cast<BYTE*>(std::malloc(ChecksumBufferSize));
    if (block == nullptr) {
        Fail(engine, ErrUncompress, entry->Name);
        goto done;
    }
    for (;;) {
        INT expanded = LZRead(engine->Source, reinterpret_cast<char*>(block), INT(ChecksumBufferSize));
        if (expanded == 0)
            break;
        if (expanded < 0 || _lwrite(engine->Expanded, reinterpret_cast<LPCCH>(block), UINT(expanded)) != UINT(expanded)) {
            Fail(engine, ErrUncompress, entry->Name);
            goto done;
        }
    }
    AddDone(engine, half);
    CloseSource(engine);

    if (Stopped(engine))
        goto done;
    std::remove(compressedPath);
    if (Stopped(engine))
        goto done;

    // The checksum reads the final file back from the start through the
    // handle that created it (open for reading and writing), which then
    // stamps it: the file is not opened twice more.
    ShowStep(engine, LabelChecksum);
    engine->Output = engine->Expanded;
    engine->Expanded = 0;
    if (_llseek(engine->Output, 0, FILE_BEGIN) != 0) {
        Fail(engine, ErrCrcRead, entry->Name);
        goto done;
    }
    do {
        got = _lread(engine->Output, block, ChecksumBufferSize);
        if (got == static_cast<UINT>(HFILE_ERROR))
            break;
        engine->RunningCrc = CrcUpdate(block, got, engine->RunningCrc);
    } while (got == ChecksumBufferSize);
    // The expanded file gets the release time too, so every installed file
    // shows the same time. Stamped after the checksum pass, whose read would
    // move the access time again.
    if (got != static_cast<UINT>(HFILE_ERROR))
        StampFile(engine->Output, &engine->ReleaseTime);
    _lclose(engine->Output);
    engine->Output = 0;
    if (got == static_cast<UINT>(HFILE_ERROR)) {
        Fail(engine, ErrCrcRead, entry->Name);
        goto done;
    }
    ShowStep(engine, LabelCopying);
    AddDone(engine, difference - half);
    ok = 1;
done:
    std::free(block);
    return ok;
}

}  // namespace

CopyEngine* CreateCopyEngine(InstallSession* session)
{
    CopyEngine* engine = static_cast<CopyEngine*>(std::calloc(1, sizeof(CopyEngine)));
    if (engine == nullptr)
        return nullptr;
    engine->Session = session;
    engine->Descriptor = session->Descriptor;
    BuildReleaseTime(engine);
    ComputeBytesTotal(engine);
    DWORD length = GetModuleFileNameA(nullptr, engine->SourceDir, MAX_PATH);
    if (length >= MAX_PATH)
        length = 0;
    engine->SourceDir[length] = '\0';
    char* slash = std::strrchr(engine->SourceDir, '\\');
    if (slash != nullptr)
        slash[1] = '\0';
    return engine;
}

void ComputeBytesTotal(CopyEngine* engine)
{
    engine->BytesTotal = 0;
    FileEntry* row = engine->Descriptor->Files;
    for (; row != nullptr && row->ComponentKey != 0; row++) {
        if (row->Selected != 0)
            engine->BytesTotal += row->Size;
    }
}

bool PrepareTargets(CopyEngine* engine)
{
    InstallDescriptor* d = engine->Descriptor;
    if (!CopyDirectory(engine->TargetDir, engine->Session->DestinationDir))
        return Fail(engine, ErrCreateFile, engine->Session->DestinationDir);
    const char* shared = SharedFilesDirOnDestinationDrive();
    if (shared != nullptr && shared[0] != '\0') {
        if (!CopyDirectory(engine->SharedDir, shared) || !CreateDirectoryPath(engine->SharedDir))
            return Fail(engine, ErrCreateDirectory, engine->SharedDir);
        return true;
    }
    engine->SharedDir[0] = '\0';
    for (FileEntry* row = d->Files; row != nullptr && row->ComponentKey != 0; row++) {
        if (row->Selected != 0)
            row->TargetSelector = 0;
    }
    for (SharedFileRow* row = d->SharedFiles; row != nullptr && row->ComponentKey != 0; row++) {
        if (row->Selected != 0)
            row->TargetSelector = 0;
    }
    return true;
}

void MakeDirectories(CopyEngine* engine)
{
    for (DirectoryRow* row = engine->Descriptor->Directories;
         row != nullptr && row->ComponentKey != 0; row++) {
        if (row->Selected == 0)
            continue;
        const char* path = TargetPath(engine, row->Name, 0);
        if (path != nullptr)
            _mkdir(path);
    }
}

bool CopyAllFiles(CopyEngine* engine)
{
    if (engine->ErrorCode != 0)
        return false;
    if (Stopped(engine))
        return false;
    engine->ErrorCode = 0;
    MakeDirectories(engine);
    if (Stopped(engine))
        return false;

    const int disk = 1;
    engine->Session->Host->Status(StatusDisk, "1");
    for (FileEntry* row = engine->Descriptor->Files; row->ComponentKey != 0; row++) {
        if (row->Disk != disk || SkipFile(engine, row))
            continue;
        if (!BeginFile(engine, row))
            return false;
        while (engine->ChunksLeft != 0) {
            if (!ReadChunk(engine, row) || !WriteChunk(engine, row))
                return false;
        }
        if (!FinishFile(engine, row))
            return false;
    }
    // Disk 2 is above LastDisk: nothing more to copy.
    return true;
}

bool SkipFile(CopyEngine* engine, FileEntry* entry)
{
    if (entry->Selected == 0)
        return true;
    const char* path = TargetPath(engine, entry->Name, entry->TargetSelector);
    if (path == nullptr || !engine->IsFont)
        return false;
    HFILE existing = _lopen(path, OF_READ | OF_SHARE_DENY_WRITE);
    if (existing == HFILE_ERROR)
        return false;
    _lclose(existing);
    AddDone(engine, static_cast<int32_t>(entry->Size));
    return true;
}

bool BeginFile(CopyEngine* engine, FileEntry* entry)
{
    engine->Source = 0;
    engine->SourceIsLz = 0;
    engine->Buffer = nullptr;
    engine->ChunksLeft = 0;
    engine->RunningCrc = CrcPreset;
    engine->FileBytesWritten = 0;
    engine->Session->Host->Status(StatusFile, entry->Name);

    if (entry->FirstResource != 0) {
        engine->Chunk = LoadPayloadChunk(entry->FirstResource, &engine->ChunkBytes);
        if (engine->Chunk != nullptr)
            engine->ChunksLeft = static_cast<int32_t>(entry->ChunkCount);
    }
    if (engine->Chunk == nullptr) {
        char* path = SourcePath(engine, entry->Name);
        HFILE plain = path ? _lopen(path, OF_READ) : HFILE_ERROR;
        if (plain != HFILE_ERROR) {
            engine->Source = plain;
        } else {
            if (Stopped(engine))
                return false;
            if (path == nullptr || !CompressedName(path))
                return Fail(engine, ErrSourceMissing, entry->Name);
            INT lz = OpenLzSource(path);
            if (lz < 0)
                return Fail(engine, ErrSourceMissing, entry->Name);
            engine->Source = lz;
            engine->SourceIsLz = 1;
        }
        engine->Buffer = static_cast<BYTE*>(std::malloc(SourceBufferSize));
        if (engine->Buffer == nullptr)
            return Fail(engine, ErrReadFile, entry->Name);
        engine->ChunksLeft = 1;
    }
    if (Stopped(engine))
        return false;

    entry->Selected = 2;
    char* output = TargetPath(engine, entry->Name, entry->TargetSelector);
    if (output != nullptr && IsEmbeddedCompressed(entry) && !CompressedName(output))
        output = nullptr;
    if (output == nullptr)
        return Fail(engine, ErrCreateFile, entry->Name);
    HFILE created = _lcreat(output, 0);
    if (created == HFILE_ERROR)
        return Fail(engine, ErrCreateFile, entry->Name);
    engine->Output = created;
    CopyPath(engine->PartialFile, output);
    return !Stopped(engine);
}

bool ReadChunk(CopyEngine* engine, FileEntry* entry)
{
    if (engine->Source != 0) {
        UINT got = engine->SourceIsLz
                       ? static_cast<UINT>(LZRead(engine->Source, reinterpret_cast<char*>(engine->Buffer),
                                                  SourceBufferSize))
                       : _lread(engine->Source, engine->Buffer, SourceBufferSize);
        if (got == static_cast<UINT>(HFILE_ERROR) || static_cast<INT>(got) < 0)
            return Fail(engine, ErrReadFile, entry->Name);
        engine->BufferLength = got;
        if (got < SourceBufferSize)
            engine->ChunksLeft = 0;
    } else {
        if (engine->Chunk == nullptr) {
            uint32_t id = entry->FirstResource + entry->ChunkCount - engine->ChunksLeft;
            engine->Chunk = LoadPayloadChunk(id, &engine->ChunkBytes);
            if (engine->Chunk == nullptr)
                return Fail(engine, ErrDataMissing, entry->Name);
        }
        engine->Buffer = static_cast<BYTE*>(LockResource(engine->Chunk));
        engine->BufferLength = engine->ChunksLeft == 1 ? entry->LastChunkSize : entry->ChunkSize;
        // The table gives the length; a piece shorter than that is missing data,
        // not something to read past.
        if (engine->Buffer == nullptr || engine->ChunkBytes < engine->BufferLength)
            return Fail(engine, ErrDataMissing, entry->Name);
    }
    return !Stopped(engine);
}

bool WriteChunk(CopyEngine* engine, FileEntry* entry)
{
    if (!IsEmbeddedCompressed(entry))
        engine->RunningCrc = CrcUpdate(engine->Buffer, engine->BufferLength, engine->RunningCrc);
    if (!WriteBytes(engine, engine->Buffer, engine->BufferLength))
        return false;
    if (engine->Chunk != nullptr) {
        FreeChunk(engine);
        engine->ChunksLeft--;
    }
    return !Stopped(engine);
}

bool WriteBytes(CopyEngine* engine, const void* data, uint32_t length)
{
    if (length == 0)
        return true;
    UINT written = _lwrite(engine->Output, static_cast<LPCCH>(data), length);
    if (written != length) {
        CopyPath(engine->ErrorText, LastComponent(engine->PartialFile));
        return Fail(engine, ErrWriteFile, engine->ErrorText);
    }
    engine->FileBytesWritten += length;
    AddDone(engine, static_cast<int32_t>(length));
    return true;
}

bool FinishFile(CopyEngine* engine, FileEntry* entry)
{
    FreeChunk(engine);
    FreeOwnBuffer(engine);
    CloseSource(engine);
    HFILE output = engine->Output;
    engine->Output = 0;
    StampFile(output, &engine->ReleaseTime);
    if (_lclose(output) == HFILE_ERROR)
        return Fail(engine, ErrWriteFile, entry->Name);
    engine->PartialFile[0] = '\0';

    if (IsEmbeddedCompressed(entry) && !ExpandFile(engine, entry))
        return false;
    if (entry->Crc != 0 && engine->RunningCrc != entry->Crc)
        return Fail(engine, ErrChecksum, entry->Name);
    if (Stopped(engine))
        return false;

    const char* path = TargetPath(engine, entry->Name, entry->TargetSelector);
    LogLine("file %s: %u bytes, CRC %08X", path ? path : entry->Name, unsigned(entry->Size),
            unsigned(engine->RunningCrc));
    if (engine->IsFont && path != nullptr) {
        if (AddFontResourceA(path) != 0)
            engine->FontAdded = 1;
        if (Stopped(engine))
            return false;
    }
    return true;
}

void DestroyCopyEngine(CopyEngine* engine)
{
    if (engine == nullptr)
        return;
    FreeChunk(engine);
    CloseSource(engine);
    if (engine->Output != 0)
        _lclose(engine->Output);
    engine->Output = 0;
    if (engine->Expanded != 0)
        _lclose(engine->Expanded);
    engine->Expanded = 0;
    FreeOwnBuffer(engine);
    if (engine->PartialFile[0] != '\0')
        std::remove(engine->PartialFile);
    engine->PartialFile[0] = '\0';
    if (engine->FontAdded)
        SendMessageA(HWND_BROADCAST, WM_FONTCHANGE, 0, 0);
}

void FreeCopyEngine(CopyEngine* engine)
{
    std::free(engine);
}

char* SourcePath(CopyEngine* engine, const char* name)
{
    if (!CopyPath(engine->WorkPath, engine->SourceDir) || !AppendPath(engine->WorkPath, LastComponent(name)))
        return nullptr;
    return engine->WorkPath;
}

char* TargetPath(CopyEngine* engine, const char* name, int useShared)
{
    FileFolder folder = FolderOf(name, useShared);
    engine->IsFont = folder == FolderFonts ? 1 : 0;
    char* path = engine->WorkPath;
    bool fits;
    if (engine->IsFont) {
        UINT length = GetWindowsDirectoryA(path, MAX_PATH);
        fits = length > 0 && length < MAX_PATH;
        if (fits && length > 3)
            fits = AppendPath(path, "\\");
        if (fits)
            fits = AppendPath(path, engine->Session->UseFontsFolder ? "Fonts\\" : "SYSTEM\\");
    } else {
        fits = CopyPath(path, (folder == FolderSharedFiles && engine->SharedDir[0] != '\0') ? engine->SharedDir
                                                                                        : engine->TargetDir);
    }
    if (!fits || !AppendPath(path, name))
        return nullptr;
    return path;
}

namespace {

// A running program's file, or one opened without sharing by any process in
// any session, cannot be opened for writing: that is what "in use" means
// for the copy, which would fail on it.
bool IsHeld(const char* path)
{
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
        return false;
    }
    DWORD error = GetLastError();
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

}  // namespace

bool FindTargetInUse(InstallSession* session, char* path, size_t size)
{
    CopyEngine* engine = CreateCopyEngine(session);
    if (!engine)
        return false;
    bool found = false;
    const char* shared = SharedFilesDirOnDestinationDrive();
    if (CopyDirectory(engine->TargetDir, session->DestinationDir) &&
        (!shared || !shared[0] || CopyDirectory(engine->SharedDir, shared))) {
        for (FileEntry* row = engine->Descriptor->Files; row && row->ComponentKey != 0 && !found; ++row) {
            const char* target = row->Selected ? TargetPath(engine, row->Name, row->TargetSelector) : nullptr;
            // A font that is there already is left as it is.
            found = target && !engine->IsFont && IsHeld(target) && FormatWhole(path, size, "%s", target);
        }
    }
    FreeCopyEngine(engine);
    return found;
}
