// Helpers shared by the native tests: scratch directories, whole files,
// fixed pseudo-random data and running outside programs.
#pragma once
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <sys/wait.h>

namespace testutil {

namespace fs = std::filesystem;

typedef std::vector<uint8_t> Bytes;

// A fresh directory under the system's temp directory, removed at the end.
class ScratchDir {
public:
    ScratchDir()
    {
        static int serial = 0;
        fs::path base = fs::temp_directory_path();
        for (;;) {
            path_ = base / ("kova-unit-" + std::to_string(std::rand()) + "-" + std::to_string(serial++));
            if (fs::create_directory(path_))
                break;
        }
    }
    ~ScratchDir()
    {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

inline Bytes ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::string ReadText(const std::string& path)
{
    Bytes b = ReadFile(path);
    return std::string(b.begin(), b.end());
}

inline void WriteFile(const std::string& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline Bytes FromText(const std::string& s)
{
    return Bytes(s.begin(), s.end());
}

// Fixed pseudo-random bytes: the same for a seed on every run.
inline Bytes RandomBytes(size_t n, uint32_t seed)
{
    Bytes b(n);
    uint32_t x = seed * 2654435761u + 1;
    for (size_t i = 0; i < n; i++) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b[i] = static_cast<uint8_t>(x >> 11);
    }
    return b;
}

// Text with plenty of repeats at all distances, like source or a licence.
inline Bytes SampleText(size_t n)
{
    static const char* words[] = {"payload", "resource", "the ", "installer", "\r\n", "kova", "of ",
                                  "directory", "  ", "file", "CRC", "table", ", ", "library"};
    Bytes b;
    uint32_t x = 12345;
    while (b.size() < n) {
        x = x * 1103515245u + 12345u;
        const char* w = words[(x >> 16) % 14];
        b.insert(b.end(), w, w + std::char_traits<char>::length(w));
    }
    b.resize(n);
    return b;
}

inline std::string Quote(const std::string& s)
{
    std::string q = "'";
    for (char c : s) {
        if (c == '\'')
            q += "'\\''";
        else
            q += c;
    }
    return q + "'";
}

// Runs a shell command line; the exit status, or -1 when it did not exit.
inline int Run(const std::string& command)
{
    int status = std::system(command.c_str());
    if (status == -1 || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

inline std::string Kovapack()
{
    return KOVA_BINARY_DIR "/tools/kovapack/kovapack";
}

}  // namespace testutil
