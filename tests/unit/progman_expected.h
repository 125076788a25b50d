// The Program Manager commands for the product's two items, both selected,
// in C:\Program Files\KOVAwin: the first installation's text and a
// reinstallation's (the group is there and both items are replaced). The
// command composer's tests and the icon page's tests under Wine expect the
// same text; platform-free.
#pragma once
#include <vector>

#include "core/descriptor.h"
#include "core/product_tables.h"

const char* const FirstInstallation =
    "[CreateGroup(\"KOVAwin\")]"
    "[AddItem(\"C:\\Program Files\\KOVAwin\\kovamain.exe\",\"KOVA\")]"
    "[AddItem(\"C:\\Program Files\\KOVAwin\\Getting Started with KOVA.html\",\"Getting Started with KOVA\")]";

const char* const Reinstallation =
    "[CreateGroup(\"KOVAwin\")][ShowGroup(KOVAwin,1)]"
    "[DeleteItem(KOVA)][AddItem(\"C:\\Program Files\\KOVAwin\\kovamain.exe\",\"KOVA\")]"
    "[DeleteItem(Getting Started with KOVA)]"
    "[AddItem(\"C:\\Program Files\\KOVAwin\\Getting Started with KOVA.html\",\"Getting Started with KOVA\")]";

// The product's program items, each one selected, in rows of the test's own
// (tests mark rows to be replaced), and a descriptor that points at them.
struct SelectedProductItems {
    std::vector<ProgramItemRow> Rows;
    InstallDescriptor Install{};

    SelectedProductItems()
    {
        for (const ProgramItemRow* row = ProductProgramItems;; row++) {
            Rows.push_back(*row);
            if (!row->ItemFile)
                break;
            Rows.back().Selected = 1;
        }
        Install.ProgramItems = Rows.data();
    }
    SelectedProductItems(const SelectedProductItems&) = delete;
    SelectedProductItems& operator=(const SelectedProductItems&) = delete;
};
