// kovachanges: writes the page of every change setup.exe makes to a PC from
// the staged payload list, and compares a committed copy with it.
#include <cstdio>
#include <string>
#include <vector>

#include "changes.h"
#include "files.h"
#include "packer.h"

namespace {

int Usage()
{
    std::fprintf(stderr,
                 "usage: kovachanges LIST OUT          the page for the staged payload LIST\n"
                 "       kovachanges compare EXPECTED ACTUAL\n");
    return 2;
}

int Fail(const std::string& message)
{
    std::fprintf(stderr, "kovachanges: %s\n", message.c_str());
    return 1;
}

bool ReadText(const std::string& path, std::string& text, std::string& error)
{
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(path, bytes, error))
        return false;
    text.assign(bytes.begin(), bytes.end());
    return true;
}

int Write(const std::string& listPath, const std::string& outPath)
{
    std::vector<PackRow> rows;
    std::vector<uint8_t> data;
    std::string error;
    std::string text;
    if (!ReadPayloadList(listPath, rows, error))
        return Fail(error);
    for (PackRow& row : rows)
        if (!MeasurePayloadRow(row, data, error))
            return Fail(ListPlace(listPath, row.Line) + error);
    if (!ChangesDocument(rows, text, error))
        return Fail(error);
    if (!WriteFileAtomic(outPath, std::vector<uint8_t>(text.begin(), text.end()), error))
        return Fail(error);
    return 0;
}

int Compare(const std::string& expectedPath, const std::string& actualPath)
{
    std::string expected, actual, error;
    if (!ReadText(expectedPath, expected, error) || !ReadText(actualPath, actual, error))
        return Fail(error);
    std::string difference = FirstDifference(expected, actual, actualPath);
    if (difference.empty())
        return 0;
    std::fprintf(stderr, "%s%s is written by the build from the installer's tables and payload: copy %s over it.\n",
                 difference.c_str(), actualPath.c_str(), expectedPath.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::string(argv[1]) == "compare")
        return Compare(argv[2], argv[3]);
    if (argc == 3)
        return Write(argv[1], argv[2]);
    return Usage();
}
