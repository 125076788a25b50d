// Whole files in and out, and the output folder of a pack, replaced in one
// step. Every failure gives one line of text naming the path and the reason.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The files kovapack reads and writes hold less than 4 GiB: the SZDD header
// and the file table keep sizes in 32 bits.
const uint64_t FileSizeLimit = uint64_t(1) << 32;

// Reads a regular file of less than FileSizeLimit bytes. The size is checked
// before anything is read, and again while reading, so nothing larger is held.
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes, std::string& error);

// Writes through a temporary file of a unique name beside path and a rename,
// so path is either the old file or the complete new one.
bool WriteFileAtomic(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error);

// A new output folder, filled beside the old one and then put in its place
// by an atomic exchange, so a failed pack leaves the old folder whole and two
// packs at once each leave a complete folder. A file whose bytes are those
// of the old folder's file of that name is a hard link to it, so it keeps its
// modification time. Files of the old folder that Commit is not told about
// in owned are carried over as they are.
//
// The new folder is named ".NAME.kovapack-XXXXXX" beside the folder NAME and
// locked (flock) while its pack runs. A pack that was stopped leaves its
// folder there unlocked; Open removes every such folder of NAME that no
// running pack holds.
class OutputFolder {
public:
    OutputFolder() = default;
    OutputFolder(const OutputFolder&) = delete;
    OutputFolder& operator=(const OutputFolder&) = delete;
    ~OutputFolder();  // a folder not committed is removed

    // Makes the new folder beside dir (and dir's parent when missing), after
    // removing those of stopped packs. A link to nothing as dir is refused.
    bool Open(const std::string& dir, std::string& error);
    // The folder's absolute path as given (not the new folder's).
    const std::string& Path() const { return path_; }
    bool Put(const std::string& name, const std::vector<uint8_t>& bytes, std::string& error);
    // owned(name) tells the old folder's files that this pack replaces or
    // drops; every other entry is carried over.
    bool Commit(bool (*owned)(const std::string& name), std::string& error);

private:
    bool MakeStaging(const std::string& pattern, std::string& error);
    bool CarryOver(bool (*owned)(const std::string& name), std::string& error);
    bool Exchange(std::string& error);

    std::string path_;     // as given, absolute
    std::string real_;     // where the folder is, links resolved
    std::string staging_;  // the new folder until it is committed
    int lock_ = -1;        // open on the new folder, locked
};
