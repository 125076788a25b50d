// The side panel's picture, drawn from simple shapes: a shelf of books, an
// open page with a K on it and a title strip, on bands lit from above. It is
// drawn at a scale's own size rather than enlarged, every coordinate of the
// 96-dpi drawing scaled and rounded, so that each scale is crisp.
#pragma once

#include <cstdint>

// The picture's size at `scale` percent of its 96-dpi size.
int PanelPictureSize(int scale, int* height);

// Draws the picture at `scale` percent into `pixels`: PanelPictureSize's
// width times height pixels, rows from the top, each pixel 0x00RRGGBB.
void DrawPanelPicture(int scale, uint32_t* pixels);
