// The product's pages: a row per page, in id order.
#include "frame/page_table.h"

#include "frame/frame.h"
#include "frame/wizard.h"

namespace {

// What the descriptor points at: the leave steps change a page's template.
const char* PageTemplates[ProductPageCount];
PageProcedure PageProcedures[ProductPageCount];

} // namespace

constexpr PageRow ProductPages[ProductPageCount] = {
    {PageWelcome, "INTRODLG", WelcomePageProc},
    {PageNoTemplate, "OS32DLG", StaticPageProc},
    {PageDestination, "DESTDIRDLG1", DestinationPageProc},
    {PageReplace, "REPLACEDLG", ReplacePageProc},
    {PageReady, "STARTDLG", StaticPageProc},
    {PageCopy, "COPYFILESDLG", CopyPageProc},
    {PageRegistry, "REGISTRYDLG", RegistryPageProc},
    {PageIcons, "NEWICONDLG", IconPageProc},
    {PageCompletion, "READYDLG", CompletionPageProc},
};

namespace {

constexpr bool RowsInIdOrder()
{
    for (int id = 0; id < ProductPageCount; id++) {
        if (ProductPages[id].Id != id || !ProductPages[id].Template || !ProductPages[id].Procedure)
            return false;
    }
    return true;
}
static_assert(RowsInIdOrder(), "a row per page, each at its id");

} // namespace

void SetProductPages(InstallDescriptor* d)
{
    for (const PageRow& row : ProductPages) {
        PageTemplates[row.Id] = row.Template;
        PageProcedures[row.Id] = row.Procedure;
    }
    d->PageCount = ProductPageCount;
    d->FirstWorkPage = ProductFirstWorkPage;
    d->PageTemplates = PageTemplates;
    d->PageProcedures = PageProcedures;
}
