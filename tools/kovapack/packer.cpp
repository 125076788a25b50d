#include "packer.h"

#include <cstdio>
#include <filesystem>
#include <iterator>
#include <sstream>

#include "compressor.h"
#include "files.h"
#include "core/crc.h"
#include "core/file_entry.h"
#include "core/szdd.h"

namespace fs = std::filesystem;

namespace {

std::string ChunkFileName(uint32_t id)
{
    return "chunk_" + std::to_string(id) + ".bin";
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

// The files a pack writes (chunk files it no longer needs among them); the
// rest of the output folder is kept.
bool IsPackOutput(const std::string& name)
{
    if (name == "payload.rc" || name == "file_table.cpp")
        return true;
    return name.size() > 10 && name.compare(0, 6, "chunk_") == 0 && name.compare(name.size() - 4, 4, ".bin") == 0 &&
           name.find_first_not_of("0123456789", 6) == name.size() - 4;
}

bool PackRowData(PackRow& row, uint32_t firstId, OutputFolder& out, std::string& error)
{
    std::vector<uint8_t> data;
    if (!MeasurePayloadRow(row, data, error))
        return false;

    std::vector<uint8_t> szdd = SzddCompress(data.data(), data.size(), row.Name.back());
    if (szdd.size() >= FileSizeLimit) {
        error = row.Source + ": too large for a payload file (its compressed form is 4 GiB or more)";
        return false;
    }
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
        if (!out.Put(ChunkFileName(firstId + k), piece, error))
            return false;
    }
    return true;
}

// A row of the table the installer walks: every row is component 1's, on
// disk 1, in SZDD form in the destination folder, and starts unselected.
FileEntry TableRow(const PackRow& row)
{
    FileEntry e = {};
    e.ComponentKey = 1;
    e.Name = row.Name.c_str();
    e.Size = row.Size;
    e.Crc = row.Crc;
    e.Compressed = 1;
    e.Disk = 1;
    e.FirstResource = row.FirstResource;
    e.ChunkCount = row.ChunkCount;
    e.ChunkSize = PayloadChunkSize;
    e.LastChunkSize = row.LastChunkSize;
    return e;
}

// A field's value as C++ source, by its type.
std::string FieldText(int32_t value)
{
    return std::to_string(value);
}

std::string FieldText(uint32_t value)
{
    return std::to_string(value) + "u";
}

std::string FieldText(const char* value)
{
    return value ? CStringLiteral(value) : "nullptr";
}

// The row's initialiser, its fields in the struct's order.
std::string FileEntryText(const FileEntry& e)
{
    std::string text;
#define FILE_ENTRY_TEXT(type, name) text += (text.empty() ? "{" : ", ") + FieldText(e.name);
    FILE_ENTRY_FIELDS(FILE_ENTRY_TEXT)
#undef FILE_ENTRY_TEXT
    return text + "}";
}

// A comment that names the fields in order, in lines of at most 100 characters.
std::string FieldNamesComment()
{
#define FILE_ENTRY_NAME(type, name) #name,
    static const char* const names[] = {FILE_ENTRY_FIELDS(FILE_ENTRY_NAME)};
#undef FILE_ENTRY_NAME
    std::string text, line = "//";
    for (size_t i = 0; i < std::size(names); i++) {
        std::string field = std::string(" ") + names[i] + (i + 1 < std::size(names) ? "," : "");
        if (line.size() + field.size() > 100) {
            text += line + "\n";
            line = "//";
        }
        line += field;
    }
    return text + line + "\n";
}

bool PutText(OutputFolder& out, const std::string& name, const std::string& text, std::string& error)
{
    return out.Put(name, std::vector<uint8_t>(text.begin(), text.end()), error);
}

}  // namespace

bool MeasurePayloadRow(PackRow& row, std::vector<uint8_t>& data, std::string& error)
{
    if (!ReadWholeFile(row.Source, data, error))
        return false;
    row.Size = static_cast<uint32_t>(data.size());
    row.Crc = CrcUpdate(data.data(), row.Size, CrcPreset);
    return true;
}

void ChunkLayout(uint32_t storedSize, uint32_t& count, uint32_t& lastSize)
{
    count = (storedSize + PayloadChunkSize - 1) / PayloadChunkSize;
    lastSize = storedSize - (count - 1) * PayloadChunkSize;
}

bool ReadPayloadList(const std::string& listPath, std::vector<PackRow>& rows, std::string& error)
{
    std::vector<uint8_t> text;
    rows.clear();
    return ReadWholeFile(listPath, text, error) &&
           ParsePayloadList(std::string(text.begin(), text.end()), listPath, rows, error);
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
    t << "#include \"core/file_entry.h\"\n\n";
    t << FieldNamesComment();
    t << "FileEntry FileTable[] = {\n";
    for (const PackRow& row : rows)
        t << "    " << FileEntryText(TableRow(row)) << ",\n";
    t << "    " << FileEntryText(FileEntry{}) << ",\n";
    t << "};\n";
    return t.str();
}

bool PackPayload(const std::string& listPath, const std::string& outDir, std::vector<PackRow>& rows,
                 std::string& error)
{
    if (!ReadPayloadList(listPath, rows, error))
        return false;
    OutputFolder out;
    if (!out.Open(outDir, error))
        return false;
    uint32_t nextId = FirstPayloadResource;
    for (PackRow& row : rows) {
        if (!PackRowData(row, nextId, out, error)) {
            error = ListPlace(listPath, row.Line) + error;
            return false;
        }
        nextId += row.ChunkCount;
    }
    return PutText(out, "payload.rc", PayloadRcText(rows, out.Path()), error) &&
           PutText(out, "file_table.cpp", FileTableText(rows), error) && out.Commit(IsPackOutput, error);
}
