#include "core/navigation.h"

#include <cstdlib>

bool PageListBuild(PageListState* list, int count)
{
    list->Ids = nullptr;
    list->Count = 0;
    if (count < 0)
        return false;
    int* ids = static_cast<int*>(std::malloc(sizeof(int) * (count + 1)));
    if (!ids)
        return false;
    for (int i = 0; i < count; i++)
        ids[i] = i;
    ids[count] = -1;
    list->Ids = ids;
    list->Count = count;
    return true;
}

void PageListFree(PageListState* list)
{
    std::free(list->Ids);
    list->Ids = nullptr;
    list->Count = 0;
}

void PageListSet(PageListState* list, int pageId, bool present)
{
    int* ids = list->Ids;
    const int n = list->Count;
    if (!ids || pageId < 0 || pageId >= n)
        return;
    if (present) {
        int pos = 0;
        while (ids[pos] != -1 && ids[pos] < pageId)
            pos++;
        if (ids[pos] == pageId)
            return;
        // The list holds distinct ids below n, so a missing id always
        // leaves room for one more entry before the end of the capacity.
        int end = pos;
        while (ids[end] != -1)
            end++;
        for (int i = end; i >= pos; i--)
            ids[i + 1] = ids[i];
        ids[pos] = pageId;
    } else {
        int pos = 0;
        while (pos < n && ids[pos] != -1 && ids[pos] != pageId)
            pos++;
        if (pos >= n || ids[pos] != pageId)
            return;
        for (int i = pos; i < n; i++)
            ids[i] = ids[i + 1];
    }
}

PageButtons PageButtonsAt(const PageListState& list, int position, int firstWorkPage)
{
    PageButtons buttons = {true, false, false, false};
    int id = list.Ids[position];
    bool next = list.Ids[position + 1] != -1;
    if (id >= firstWorkPage)
        buttons.Work = true;
    else if (position == 1)
        buttons.SetByFrame = false;
    else if (id == firstWorkPage - 1)
        buttons.Next = next;
    else {
        buttons.Back = position > 0;
        buttons.Next = next;
    }
    return buttons;
}

OsDecision DecideOperatingSystem(int osFlags, const OsVersion& version)
{
    OsDecision d;
    d.Supported = false;
    d.UseFontsFolder = 1;
    switch (version.PlatformId) {
    case 0:
        d.UseFontsFolder = 0;
        break;
    case 1:
        d.Supported = (osFlags & 2) != 0;
        break;
    case 2:
        if (version.MajorVersion == 4) {
            d.Supported = (osFlags & 8) != 0;
        } else {
            d.Supported = true;
            if (osFlags & 4)
                d.UseFontsFolder = 0;
        }
        break;
    default:
        break;
    }
    return d;
}
