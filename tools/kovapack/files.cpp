#include "files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string Because(const std::string& path, const std::string& what, int err)
{
    return path + ": " + what + " (" + std::strerror(err) + ")";
}

mode_t Umask()
{
    mode_t mask = umask(0);
    umask(mask);
    return mask;
}

bool WriteAll(int fd, const std::vector<uint8_t>& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// A new file at path, made with the usual permissions; errno tells a failure.
bool WriteNewFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    bool ok = WriteAll(fd, bytes);
    int err = errno;
    if (close(fd) != 0 && ok)
        return false;
    errno = err;
    return ok;
}

bool HoldsBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::error_code ec;
    if (!fs::is_regular_file(path, ec) || fs::file_size(path, ec) != bytes.size() || ec)
        return false;
    std::vector<uint8_t> old;
    std::string ignored;
    return ReadWholeFile(path, old, ignored) && old == bytes;
}

const char StagingMark[] = ".kovapack-";
const size_t StagingSuffix = 6;  // the letters mkdtemp puts in place of XXXXXX

// A folder opened without following a link, or -1.
int OpenFolder(const std::string& path)
{
    return open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

// Removes the staging folders ".NAME.kovapack-XXXXXX" in parent that no
// running pack holds locked: those of packs that were stopped, or that put
// the old folder there before removing it. Anything else is left alone.
void SweepStaging(const fs::path& parent, const std::string& name)
{
    const std::string prefix = "." + name + StagingMark;
    std::error_code ec;
    for (fs::directory_iterator it(parent, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
        std::string entry = it->path().filename().string();
        if (entry.size() != prefix.size() + StagingSuffix || entry.compare(0, prefix.size(), prefix) != 0 ||
            entry.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
                                    prefix.size()) != std::string::npos)
            continue;
        int fd = OpenFolder(it->path().string());
        if (fd < 0)
            continue;
        if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
            std::error_code ignored;
            fs::remove_all(it->path(), ignored);
        }
        close(fd);
    }
}

}  // namespace

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes, std::string& error)
{
    bytes.clear();
    std::error_code ec;
    fs::file_status status = fs::status(path, ec);
    if (status.type() == fs::file_type::not_found) {
        error = path + ": no such file";
        return false;
    }
    if (ec) {
        error = path + ": cannot open (" + ec.message() + ")";
        return false;
    }
    if (status.type() == fs::file_type::directory) {
        error = path + ": is a folder, not a file";
        return false;
    }
    if (status.type() != fs::file_type::regular) {
        error = path + ": not a regular file";
        return false;
    }
    const std::string tooLarge = path + ": too large (4 GiB or more)";
    uint64_t size = fs::file_size(path, ec);
    if (ec) {
        error = path + ": cannot open (" + ec.message() + ")";
        return false;
    }
    if (size >= FileSizeLimit) {
        error = tooLarge;
        return false;
    }
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        error = Because(path, "cannot open", errno);
        return false;
    }
    bytes.resize(static_cast<size_t>(size));
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), f));
    // A file that grew, or one whose size says nothing (as in /proc), is read
    // on to its end.
    uint8_t block[65536];
    while (!std::ferror(f) && !std::feof(f) && bytes.size() < FileSizeLimit) {
        size_t n = std::fread(block, 1, sizeof block, f);
        bytes.insert(bytes.end(), block, block + n);
    }
    int err = errno;
    bool failed = std::ferror(f);
    std::fclose(f);
    if (failed) {
        error = Because(path, "cannot read", err);
        return false;
    }
    if (bytes.size() >= FileSizeLimit) {
        error = tooLarge;
        return false;
    }
    return true;
}

bool WriteFileAtomic(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error)
{
    std::string temp = path + ".kovapack-XXXXXX";
    int fd = mkstemp(&temp[0]);
    if (fd < 0) {
        error = Because(path, "cannot write", errno);
        return false;
    }
    bool ok = fchmod(fd, 0666 & ~Umask()) == 0 && WriteAll(fd, bytes);
    int err = errno;
    if (close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (ok && std::rename(temp.c_str(), path.c_str()) != 0) {
        ok = false;
        err = errno;
    }
    if (!ok) {
        unlink(temp.c_str());
        error = Because(path, "cannot write", err);
    }
    return ok;
}

OutputFolder::~OutputFolder()
{
    std::error_code ec;
    if (!staging_.empty())
        fs::remove_all(staging_, ec);
    if (lock_ >= 0)
        close(lock_);
}

bool OutputFolder::Open(const std::string& dir, std::string& error)
{
    std::error_code ec;
    fs::path abs = fs::absolute(dir, ec).lexically_normal();
    path_ = abs.string();
    while (path_.size() > 1 && path_.back() == '/')
        path_.pop_back();
    abs = path_;
    if (ec || abs.filename().empty()) {
        error = dir + ": not a folder that can be replaced";
        return false;
    }
    if (fs::is_symlink(fs::symlink_status(abs, ec)) && !fs::exists(fs::status(abs, ec))) {
        error = path_ + ": a link to nothing (" + fs::read_symlink(abs, ec).string() + "), not a folder";
        return false;
    }
    // A link to the folder stays a link; the folder it names is replaced.
    fs::path real = fs::weakly_canonical(abs, ec);
    real_ = ec ? path_ : real.string();
    fs::file_status status = fs::status(real_, ec);
    if (fs::exists(status) && !fs::is_directory(status)) {
        error = path_ + ": not a folder";
        return false;
    }
    fs::path parent = fs::path(real_).parent_path();
    fs::create_directories(parent, ec);
    if (ec) {
        error = path_ + ": cannot make the folder it goes in (" + ec.message() + ")";
        return false;
    }
    std::string name = fs::path(real_).filename().string();
    SweepStaging(parent, name);
    return MakeStaging((parent / ("." + name + StagingMark + std::string(StagingSuffix, 'X'))).string(), error);
}

// A new staging folder, locked. Another pack's sweep may take a folder made
// a moment ago, before it is locked: then another is made.
bool OutputFolder::MakeStaging(const std::string& pattern, std::string& error)
{
    int err = 0;
    for (int attempt = 0; attempt < 8; attempt++) {
        std::string temp = pattern;
        if (!mkdtemp(&temp[0])) {
            err = errno;
            break;
        }
        int fd = OpenFolder(temp);
        if (fd < 0) {
            err = errno;
            continue;
        }
        struct stat held, named;
        if (flock(fd, LOCK_EX | LOCK_NB) == 0 && fstat(fd, &held) == 0 && lstat(temp.c_str(), &named) == 0 &&
            held.st_dev == named.st_dev && held.st_ino == named.st_ino) {
            staging_ = temp;
            lock_ = fd;
            return true;
        }
        // Being removed, or removed already: a sweep took it.
        err = EBUSY;
        close(fd);
    }
    error = Because(path_, "cannot write beside it", err);
    return false;
}

bool OutputFolder::Put(const std::string& name, const std::vector<uint8_t>& bytes, std::string& error)
{
    std::string fresh = staging_ + "/" + name;
    std::string old = real_ + "/" + name;
    bool same = HoldsBytes(old, bytes);
    std::error_code ec;
    if (same) {
        fs::create_hard_link(old, fresh, ec);
        if (!ec)
            return true;
    }
    if (!WriteNewFile(fresh, bytes)) {
        error = Because(path_ + "/" + name, "cannot write", errno);
        return false;
    }
    if (same)  // no hard links here: the time is copied instead
        fs::last_write_time(fresh, fs::last_write_time(old, ec), ec);
    return true;
}

bool OutputFolder::CarryOver(bool (*owned)(const std::string& name), std::string& error)
{
    std::error_code ec;
    fs::directory_iterator it(real_, ec);
    if (ec.value() == ENOENT)
        return true;  // a new folder
    const fs::copy_options how =
        fs::copy_options::recursive | fs::copy_options::copy_symlinks | fs::copy_options::create_hard_links;
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        std::string name = it->path().filename().string();
        if (owned(name))
            continue;
        std::error_code copied;
        fs::copy(it->path(), fs::path(staging_) / name, how, copied);
        if (copied) {
            error = path_ + "/" + name + ": cannot keep it (" + copied.message() + ")";
            return false;
        }
    }
    if (ec)
        error = path_ + ": cannot read the folder (" + ec.message() + ")";
    return !ec;
}

bool OutputFolder::Exchange(std::string& error)
{
    int err = 0;
    for (int attempt = 0; attempt < 8; attempt++) {
        if (renameat2(AT_FDCWD, staging_.c_str(), AT_FDCWD, real_.c_str(), RENAME_EXCHANGE) == 0)
            return true;  // staging_ names the old folder now
        err = errno;
        if (err == EINVAL || err == ENOSYS) {
            // A file system that cannot exchange: the old folder steps aside
            // first, and comes back when the new one cannot take its place.
            std::string aside = staging_ + ".old";
            if (std::rename(real_.c_str(), aside.c_str()) == 0) {
                if (std::rename(staging_.c_str(), real_.c_str()) == 0) {
                    staging_ = aside;
                    return true;
                }
                err = errno;
                std::rename(aside.c_str(), real_.c_str());
                break;
            }
            err = errno;
        }
        if (err != ENOENT)
            break;
        // No folder yet, unless another pack puts its own there meanwhile.
        if (std::rename(staging_.c_str(), real_.c_str()) == 0) {
            staging_.clear();
            return true;
        }
        err = errno;
        if (err != ENOTEMPTY && err != EEXIST)
            break;
    }
    error = Because(path_, "cannot put the new folder in place", err);
    return false;
}

bool OutputFolder::Commit(bool (*owned)(const std::string& name), std::string& error)
{
    if (!CarryOver(owned, error))
        return false;
    std::error_code ec;
    fs::file_status old = fs::status(real_, ec);
    fs::perms mode = fs::is_directory(old) ? old.permissions() : fs::perms(0777 & ~Umask());
    fs::permissions(staging_, mode, ec);
    return Exchange(error);
}
