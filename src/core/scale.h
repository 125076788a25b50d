// Which drawing of the panel picture a dialog's scale takes, and at what size.
#pragma once

// The panel picture is drawn for 96 dots per inch and again at these scales
// (percent), each at its own size.
const int PanelPictureScales[] = {100, 150, 200};
const int PanelPictureWidth = 95;    // at 96 dots per inch
const int PanelPictureHeight = 174;
// The height of a dialog unit of the main window's font (MS Sans Serif 8)
// at 96 dots per inch, in pixels times 8: the dialog's size, and with it
// the panel's, grows with this unit.
const int DialogUnitHeightAt96 = 13;

struct PanelPicture {
    int Scale;    // one of PanelPictureScales
    int Width;    // the size it is drawn at: its 96-dpi size at the dialog's scale
    int Height;
};

// For a dialog whose 8 vertical dialog units are `unitHeight` pixels: the
// drawing whose scale is nearest the dialog's (of two equally near, the
// larger, which shrinks more cleanly than the other grows) and the size to
// draw it at, so that the picture keeps its share of the panel. A unit below
// 1 counts as the 96-dpi one.
PanelPicture PanelPictureAt(int unitHeight);
