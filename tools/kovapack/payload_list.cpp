#include "payload_list.h"

#include <filesystem>
#include <map>
#include <sstream>

#include "core/file_entry.h"

namespace fs = std::filesystem;

namespace {

bool IsNameChar(char c)
{
    static const char forbidden[] = " \\/:*?\"<>|.";
    return c > ' ' && c < 0x7F && std::char_traits<char>::find(forbidden, sizeof forbidden - 1, c) == nullptr;
}

bool IsDeviceName(const std::string& base)
{
    std::string up = NameKey(base);
    if (up == "CON" || up == "PRN" || up == "AUX" || up == "NUL")
        return true;
    return up.size() == 4 && (up.compare(0, 3, "COM") == 0 || up.compare(0, 3, "LPT") == 0) && up[3] >= '1' &&
           up[3] <= '9';
}

std::string Trim(const std::string& s)
{
    size_t b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos)
        return std::string();
    size_t e = s.find_last_not_of(" \t\r");
    return s.substr(b, e - b + 1);
}

bool HasControlChar(const std::string& s)
{
    for (char c : s) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            return true;
    }
    return false;
}

const size_t MaxRows = LastResourceId - FirstPayloadResource + 1;  // a resource id each at least

// What is wrong with a row, or nothing; seen holds the names of the rows
// before it, in upper case, with their lines.
std::string RowProblem(const std::string& name, const std::string& source, const std::map<std::string, int>& seen)
{
    std::string why;
    if (source.empty())
        return "expected \"<stored name> <source path>\"";
    if (!CheckStoredName(name, why))
        return why;
    auto earlier = seen.find(NameKey(name));
    if (earlier != seen.end())
        return "\"" + name + "\" is listed already, on line " + std::to_string(earlier->second) +
               " (names are the same in any letter case)";
    if (HasControlChar(source))
        return "the source path holds a control character";
    if (seen.size() == MaxRows)
        return "more files than resource ids (" + std::to_string(MaxRows) + " at most)";
    return why;
}

// A bracket argument that holds text: as many '=' as it takes for the
// closing bracket not to occur in it.
std::string CMakeBracket(const std::string& text)
{
    std::string level;
    while ((text + "]").find("]" + level + "]") != std::string::npos)
        level += '=';
    return "[" + level + "[" + text + "]" + level + "]";
}

}  // namespace

std::string NameKey(std::string name)
{
    for (char& c : name) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return name;
}

std::string ListPlace(const std::string& listPath, int line)
{
    return listPath + ":" + std::to_string(line) + ": ";
}

bool CheckStoredName(const std::string& name, std::string& error)
{
    size_t dot = name.find('.');
    bool ok = dot != std::string::npos && dot >= 1 && dot <= 8 && name.size() - dot - 1 >= 1 &&
              name.size() - dot - 1 <= 3;
    for (size_t i = 0; ok && i < name.size(); i++)
        ok = i == dot || IsNameChar(name[i]);
    if (!ok) {
        error = "\"" + name + "\" is not an 8.3 name with an extension";
        return false;
    }
    if (IsDeviceName(name.substr(0, dot))) {
        error = "\"" + name + "\" is a device name";
        return false;
    }
    return true;
}

bool ParsePayloadList(const std::string& text, const std::string& listPath, std::vector<PackRow>& rows,
                      std::string& error)
{
    rows.clear();
    fs::path base = fs::path(listPath).parent_path();
    std::map<std::string, int> seen;
    std::istringstream in(text);
    std::string line;
    for (int number = 1; std::getline(in, line); number++) {
        std::string row = Trim(line);
        if (row.empty() || row[0] == '#')
            continue;
        size_t gap = row.find_first_of(" \t");
        std::string name = row.substr(0, gap);
        std::string source = gap == std::string::npos ? std::string() : Trim(row.substr(gap));
        std::string why = RowProblem(name, source, seen);
        if (!why.empty()) {
            error = ListPlace(listPath, number) + why;
            return false;
        }
        seen[NameKey(name)] = number;
        PackRow r;
        r.Name = name;
        r.Line = number;
        r.Listed = source;
        fs::path src(source);
        r.Source = (src.is_absolute() ? src : base / src).string();
        rows.push_back(r);
    }
    return true;
}

std::string PayloadRowLines(const std::vector<PackRow>& rows)
{
    std::string text;
    for (const PackRow& row : rows)
        text += row.Name + "\t" + row.Listed + "\t" + row.Source + "\n";
    return text;
}

std::string PayloadRowsCMake(const std::vector<PackRow>& rows)
{
    std::string text = "set(PAYLOAD_ROWS " + std::to_string(rows.size()) + ")\n";
    for (size_t i = 0; i < rows.size(); i++) {
        text += "set(PAYLOAD_NAME_" + std::to_string(i) + " " + CMakeBracket(rows[i].Name) + ")\n";
        text += "set(PAYLOAD_SOURCE_" + std::to_string(i) + " " + CMakeBracket(rows[i].Listed) + ")\n";
    }
    return text;
}
