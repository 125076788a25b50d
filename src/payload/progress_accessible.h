// What assistive technology learns of the copy page's bar, which the page
// paints itself: a progress bar, named by the page's title, whose value is
// the share of bytes done in percent.
#pragma once
#include <windows.h>

// The answer to WM_GETOBJECT for the bar's client object (OBJID_CLIENT),
// whose value `percent` reports when asked; 0 when none could be made (the
// message then goes to the control's own procedure).
LRESULT ProgressAccessibleResult(HWND bar, WPARAM flags, int (*percent)());
