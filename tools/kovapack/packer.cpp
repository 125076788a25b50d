#include "packer.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "compressor.h"
#include "payload/compressed_name.h"
#include "payload/crc.h"
#include "payload/file_entry.h"
#include "payload/szdd.h"

namespace fs = std::filesystem;

namespace {

// Resource ids are 16-bit.
const uint32_t LastResourceId = 0xFFFF;

std::string ChunkFileName(uint32_t id)
{
    return "chunk_" + std::to_string(id) + ".bin";
}

bool IsNameChar(char c)
{
    static const char forbidden[] = " \\/:*?\"<>|.";
    return c > ' ' && c < 0x7F && std::char_traits<char>::find(forbidden, sizeof forbidden - 1, c) == nullptr;
}

// An 8.3 name: 1 to 8 name characters, a dot, 1 to 3 more. The dot part is
// required, since the copy step writes every row under its compressed name.
bool CheckStoredName(const std::string& name, std::string& error)
{
    size_t dot = name.find('.');
    bool ok = dot != std::string::npos && dot >= 1 && dot <= 8 && name.size() - dot - 1 >= 1 &&
              name.size() - dot - 1 <= 3;
    for (size_t i = 0; ok && i < name.size(); i++)
        ok = i == dot || IsNameChar(name[i]);
    if (!ok)
        error = "\"" + name + "\" is not an 8.3 name with an extension";
    return ok;
}

std::string Trim(const std::string& s)
{
    size_t b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos)
        return std::string();
    size_t e = s.find_last_not_of(" \t\r");
    return s.substr(b, e - b + 1);
}

std::string Hex32(uint32_t v)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08X", v);
    return buf;
}

// A string in a resource script: backslashes and quotes escaped.
std::string RcStringLiteral(const std::string& text)
{
    std::string out = "\"";
    for (char c : text) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '"')
            out += "\"\"";
        else
            out += c;
    }
    return out + "\"";
}

bool PackRowData(PackRow& row, uint32_t firstId, const std::string& outDir, std::set<std::string>& written,
                 std::string& error)
{
    std::vector<uint8_t> data;
    if (!ReadWholeFile(row.Source, data, error))
        return false;
    if (data.size() > 0xFFFFFFFFu - SzddHeaderSize) {
        error = row.Source + ": too large for a payload file";
        return false;
    }
    row.Size = static_cast<uint32_t>(data.size());
    row.Crc = CrcUpdate(data.data(), row.Size, CrcPreset);

    std::vector<uint8_t> szdd = SzddCompress(data.data(), data.size(), row.Name.back());
    // The installer cannot tell a wrong stream until it is installed: prove it here.
    std::vector<uint8_t> check;
    std::string why;
    if (!SzddExpand(szdd.data(), szdd.size(), check, why) || check != data) {
        error = row.Source + ": compressed form does not expand back (" + why + ")";
        return false;
    }
    row.StoredSize = static_cast<uint32_t>(szdd.size());
    row.FirstResource = firstId;
    ChunkLayout(row.StoredSize, row.ChunkCount, row.LastChunkSize);
    if (firstId + row.ChunkCount - 1 > LastResourceId) {
        error = "the payload needs resource ids beyond 65535";
        return false;
    }
    for (uint32_t k = 0; k < row.ChunkCount; k++) {
        size_t at = static_cast<size_t>(k) * PayloadChunkSize;
        size_t len = k + 1 < row.ChunkCount ? PayloadChunkSize : row.LastChunkSize;
        std::vector<uint8_t> piece(szdd.begin() + at, szdd.begin() + at + len);
        std::string name = ChunkFileName(firstId + k);
        bool changed = false;
        if (!WriteIfChanged((fs::path(outDir) / name).string(), piece, changed, error))
            return false;
        written.insert(name);
    }
    return true;
}

// Chunk files of an earlier pack that this one did not write would otherwise
// linger and confuse anyone reading the directory.
void RemoveStaleChunks(const std::string& outDir, const std::set<std::string>& written)
{
    std::error_code ec;
    for (const fs::directory_entry& e : fs::directory_iterator(outDir, ec)) {
        std::string name = e.path().filename().string();
        if (name.size() <= 10 || name.compare(0, 6, "chunk_") != 0 || name.compare(name.size() - 4, 4, ".bin") != 0)
            continue;
        if (name.find_first_not_of("0123456789", 6) != name.size() - 4)
            continue;
        if (!written.count(name))
            fs::remove(e.path(), ec);
    }
}

bool WriteText(const std::string& path, const std::string& text, std::string& error)
{
    bool changed = false;
    return WriteIfChanged(path, std::vector<uint8_t>(text.begin(), text.end()), changed, error);
}

}  // namespace

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes, std::string& error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = path + ": cannot open";
        return false;
    }
    in.seekg(0, std::ios::end);
    std::streamoff size = in.tellg();
    in.seekg(0, std::ios::beg);
    if (size < 0 || !in) {
        error = path + ": cannot read";
        return false;
    }
    bytes.resize(static_cast<size_t>(size));
    in.read(reinterpret_cast<char*>(bytes.data()), size);
    if (in.gcount() != size) {
        error = path + ": read error";
        return false;
    }
    return true;
}

bool WriteFileAtomic(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error)
{
    std::string temp = path + ".kovapack-tmp";
    std::error_code ec;
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (out)
            out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (out)
            out.close();
        if (!out) {
            fs::remove(temp, ec);
            error = path + ": cannot write";
            return false;
        }
    }
    fs::rename(temp, path, ec);
    if (ec) {
        fs::remove(temp, ec);
        error = path + ": cannot write";
        return false;
    }
    return true;
}

bool WriteIfChanged(const std::string& path, const std::vector<uint8_t>& bytes, bool& changed, std::string& error)
{
    std::error_code ec;
    if (fs::is_regular_file(path, ec) && fs::file_size(path, ec) == bytes.size()) {
        std::vector<uint8_t> old;
        std::string ignored;
        if (ReadWholeFile(path, old, ignored) && old == bytes) {
            changed = false;
            return true;
        }
    }
    changed = true;
    return WriteFileAtomic(path, bytes, error);
}

void ChunkLayout(uint32_t storedSize, uint32_t& count, uint32_t& lastSize)
{
    count = (storedSize + PayloadChunkSize - 1) / PayloadChunkSize;
    lastSize = storedSize - (count - 1) * PayloadChunkSize;
}

bool ReadPayloadList(const std::string& listPath, std::vector<PackRow>& rows, std::string& error)
{
    rows.clear();
    std::ifstream in(listPath);
    if (!in) {
        error = listPath + ": cannot open";
        return false;
    }
    fs::path base = fs::path(listPath).parent_path();
    std::string line;
    for (int number = 1; std::getline(in, line); number++) {
        std::string text = Trim(line);
        if (text.empty() || text[0] == '#')
            continue;
        size_t gap = text.find_first_of(" \t");
        std::string where = listPath + ":" + std::to_string(number) + ": ";
        if (gap == std::string::npos) {
            error = where + "expected \"<stored name> <source path>\"";
            return false;
        }
        PackRow row;
        row.Name = text.substr(0, gap);
        std::string source = Trim(text.substr(gap));
        std::string why;
        if (!CheckStoredName(row.Name, why)) {
            error = where + why;
            return false;
        }
        fs::path src(source);
        row.Source = (src.is_absolute() ? src : base / src).string();
        rows.push_back(row);
    }
    return true;
}

std::string CStringLiteral(const std::string& text)
{
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '\\' || c == '"' || c == '?') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c >= 0x7F) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\%03o", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::string PayloadRcText(const std::vector<PackRow>& rows, const std::string& outDir)
{
    std::ostringstream rc;
    rc << "// Payload pieces, generated by kovapack pack; do not edit.\n";
    rc << "// RT_RCDATA, English (United States).\n";
    rc << "LANGUAGE 9, 1\n";
    for (const PackRow& row : rows) {
        for (uint32_t k = 0; k < row.ChunkCount; k++) {
            uint32_t id = row.FirstResource + k;
            rc << id << " RCDATA " << RcStringLiteral((fs::path(outDir) / ChunkFileName(id)).string()) << "\n";
        }
    }
    return rc.str();
}

std::string FileTableText(const std::vector<PackRow>& rows)
{
    std::ostringstream t;
    t << "// The payload file table, generated by kovapack pack; do not edit.\n";
    t << "#include \"payload/file_entry.h\"\n\n";
    t << "// ComponentKey, Name, Size, Crc, Compressed, TargetSelector, reserved, Disk,\n";
    t << "// FirstResource, ChunkCount, ChunkSize, LastChunkSize, run-time x3, Selected\n";
    t << "FileEntry FileTable[] = {\n";
    for (const PackRow& row : rows) {
        t << "    {1, " << CStringLiteral(row.Name) << ", " << row.Size << "u, " << Hex32(row.Crc) << "u, 1, 0, 0, 1, "
          << row.FirstResource << "u, " << row.ChunkCount << "u, " << PayloadChunkSize << "u, " << row.LastChunkSize
          << "u, 0, 0, 0, 0},\n";
    }
    t << "    {0, nullptr, 0u, 0u, 0, 0, 0, 0, 0u, 0u, 0u, 0u, 0, 0, 0, 0},\n";
    t << "};\n";
    return t.str();
}

bool PackPayload(const std::string& listPath, const std::string& outDir, std::vector<PackRow>& rows,
                 std::string& error)
{
    if (!ReadPayloadList(listPath, rows, error))
        return false;
    std::error_code ec;
    fs::create_directories(outDir, ec);
    if (!fs::is_directory(outDir, ec)) {
        error = outDir + ": cannot create the directory";
        return false;
    }
    std::string absOut = fs::absolute(outDir).lexically_normal().string();
    while (absOut.size() > 1 && absOut.back() == '/')
        absOut.pop_back();

    std::set<std::string> written;
    uint32_t nextId = FirstPayloadResource;
    for (PackRow& row : rows) {
        if (!PackRowData(row, nextId, absOut, written, error))
            return false;
        nextId += row.ChunkCount;
    }
    RemoveStaleChunks(absOut, written);
    if (!WriteText(absOut + "/payload.rc", PayloadRcText(rows, absOut), error))
        return false;
    return WriteText(absOut + "/file_table.cpp", FileTableText(rows), error);
}
