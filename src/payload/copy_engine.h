// The copy engine: turns the descriptor's file table into installed files.
// Each selected row's stored bytes go from the payload resources (or a file
// beside the installer) to disk, a compressed row under its compressed name,
// which the LZ library then expands to the final name; the result is checked
// against the row's CRC. One engine per copy, run on the GUI thread; it
// reports the current file and its progress to the session's host, and
// between steps asks the host whether to stop (code 10).
#pragma once
#include <windows.h>
#include <cstdint>
#include "core/descriptor.h"
#include "frame/host.h"

// Block size of a file beside the installer, and of the expansion and the
// checksum pass.
const uint32_t SourceBufferSize = 8192;
const uint32_t ChecksumBufferSize = 49152;

struct CopyEngine {
    char SourceDir[MAX_PATH];     // the installer's directory, with its '\'
    char TargetDir[MAX_PATH];     // DestinationDir with one trailing '\'
    char SharedDir[MAX_PATH];     // shared-files directory with '\', or empty
    char WorkPath[MAX_PATH];      // result of SourcePath and TargetPath
    char PartialFile[MAX_PATH];   // output open and not complete; deleted on destroy
    FILETIME ReleaseTime;         // UTC
    int32_t LastDisk;
    int32_t IsFont;               // set by every TargetPath call
    int32_t FontAdded;
    int32_t ErrorCode;
    const char* ErrorArg;         // a row's Name, SharedDir or ErrorText
    InstallSession* Session;       // the destination, the system decision and the host reported to
    InstallDescriptor* Descriptor;
    HFILE Source;                 // 0 = none
    HFILE Output;                 // 0 = none
    HFILE Expanded;               // the final file the expansion writes, 0 = none
    HGLOBAL Chunk;                // loaded payload piece, or none
    int32_t SourceIsLz;
    int32_t ChunksLeft;
    BYTE* Buffer;                 // the locked piece, or the engine's own buffer
    uint32_t BufferLength;
    uint32_t BytesTotal;
    uint32_t BytesDone;
    uint32_t FileBytesWritten;
    uint32_t RunningCrc;
    uint32_t ChunkBytes;          // resource length of the loaded piece
    // Argument storage that lives as long as the engine (code 5 names a part
    // of PartialFile, which cleanup empties).
    char ErrorText[MAX_PATH];
};

// The engine of the open copy page (read by the progress bar), or none.
extern CopyEngine* CurrentCopyEngine;
// Told when the copy page's start command begins its work (false) and when
// the pause timer is armed after a successful copy (true). Null in the
// installer; the copy benchmark's own build sets it.
extern void (*CopyStepObserver)(bool armed);

// Finds and loads the RT_RCDATA resource `id` of the installer's own module;
// null when it is not there. When `size` is given it receives the
// resource's length.
HGLOBAL LoadPayloadChunk(uint32_t id, uint32_t* size = nullptr);

CopyEngine* CreateCopyEngine(InstallSession* session);
// Releases handles, buffers and the partly written file; the record stays
// readable until FreeCopyEngine.
void DestroyCopyEngine(CopyEngine* engine);
void FreeCopyEngine(CopyEngine* engine);

void ComputeBytesTotal(CopyEngine* engine);
bool PrepareTargets(CopyEngine* engine);
bool CopyAllFiles(CopyEngine* engine);
void MakeDirectories(CopyEngine* engine);

// The steps of one file.
bool SkipFile(CopyEngine* engine, FileEntry* entry);
bool BeginFile(CopyEngine* engine, FileEntry* entry);
bool ReadChunk(CopyEngine* engine, FileEntry* entry);
bool WriteChunk(CopyEngine* engine, FileEntry* entry);
bool WriteBytes(CopyEngine* engine, const void* data, uint32_t length);
bool FinishFile(CopyEngine* engine, FileEntry* entry);

// The first file the copy would replace that a process holds (a running
// program's, or one open without sharing), in any session: true with its
// path. Fonts already there are not replaced, so not counted.
bool FindTargetInUse(InstallSession* session, char* path, size_t size);

// Both build their result in WorkPath and return it; null when the result
// would not fit in MAX_PATH characters.
char* SourcePath(CopyEngine* engine, const char* name);
char* TargetPath(CopyEngine* engine, const char* name, int useShared);

// Copy page (copy_page.cpp).
INT_PTR CALLBACK CopyPageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void SubclassProgressBar(HWND page);
LRESULT CALLBACK ProgressBarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void DrawProgressFill(HWND control, HDC dc);
void PaintProgress();

// The copy page's timer (its control ids are in frame/resource_ids.h).
enum {
    CopyPauseTimer = 1
};
