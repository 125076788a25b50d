// Which drawing of the panel picture a display scale takes, and at what size.
#pragma once

// The panel picture is drawn for 96 dots per inch and again at these scales
// (percent), each at its own size.
const int PanelPictureScales[] = {100, 150, 200};
const int PanelPictureWidth = 95;    // at 96 dots per inch
const int PanelPictureHeight = 174;

struct PanelPicture {
    int Scale;    // one of PanelPictureScales
    int Width;    // the size it is drawn at: the 96-dpi size scaled to dpi
    int Height;
};

// For a display of `dpi` dots per inch: the drawing whose scale is nearest
// (of two equally near, the larger, which shrinks more cleanly than the other
// grows) and the size to draw it at. Any dpi below 1 counts as 96.
PanelPicture PanelPictureAt(int dpi);

// value * dpi / 96, rounded to the nearest.
int ScaleToDpi(int value, int dpi);
