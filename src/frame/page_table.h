// The product's pages: their ids, which are their order in the walk, and the
// one table that gives each page its template and procedure. The descriptor's
// page fields, and every test that walks the product's pages, come from here.
#pragma once
#include "core/descriptor.h"

enum ProductPageId {
    PageWelcome,
    PageNoTemplate,    // dropped from the walk by the welcome page's leave step
    PageDestination,
    PageReplace,
    PageReady,
    PageCopy,
    PageRegistry,
    PageIcons,
    PageCompletion,
    ProductPageCount
};
// The pages from here on do the work: no Back, no Next.
const int ProductFirstWorkPage = PageCopy;

struct PageRow {
    int Id;
    const char* Template;
    PageProcedure Procedure;
};
// A row per page, in id order.
extern const PageRow ProductPages[ProductPageCount];

// Points the descriptor's page count, first work page, templates and
// procedures at the product's pages, each template as its row gives it.
void SetProductPages(InstallDescriptor* descriptor);
