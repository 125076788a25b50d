// Feeds arbitrary text to the payload list parser behind kovapack pack. A
// list it accepts holds only good names, none twice in any letter case, and
// sources without control characters; written out again as "name source"
// lines it gives the same rows. A refusal is one line that says where.
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "payload_list.h"

namespace {

const char ListName[] = "payload.list";  // in no folder: sources stay as written

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<PackRow> rows;
    std::string error;
    if (!ParsePayloadList(text, ListName, rows, error)) {
        Check(error.rfind(std::string(ListName) + ":", 0) == 0, "a refusal names the list");
        Check(error.find('\n') == std::string::npos, "a refusal is one line");
        return 0;
    }
    std::set<std::string> names;
    std::string again;
    for (const PackRow& row : rows) {
        std::string why;
        Check(CheckStoredName(row.Name, why), "every name is good");
        Check(names.insert(NameKey(row.Name)).second, "no name twice");
        Check(!row.Source.empty(), "every row has a source");
        for (char c : row.Source)
            Check(static_cast<unsigned char>(c) >= 0x20 && c != 0x7F, "no control character in a source");
        again += row.Name + " " + row.Source + "\n";
    }
    std::vector<PackRow> back;
    Check(ParsePayloadList(again, ListName, back, error) && back.size() == rows.size(), "the rows parse again");
    for (size_t i = 0; i < rows.size(); i++) {
        Check(back[i].Name == rows[i].Name && back[i].Source == rows[i].Source, "the same rows again");
        Check(back[i].Line == static_cast<int>(i) + 1, "a row's line");
    }
    return 0;
}
