#include "core/panel_picture.h"

#include "core/scale.h"

namespace {

const uint32_t Panel = 0x00a0c0;   // the panel background the picture sits on
const uint32_t Dark = 0x004860;
const uint32_t Paper = 0xf6f2e4;
const uint32_t Spines[] = {0xc84030, 0xe8b028, 0x408048, 0x3058a0, 0x984888};

// Each of a colour's channels moved by `amount`, kept within 0 to 255.
uint32_t Shade(uint32_t colour, int amount)
{
    uint32_t shaded = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        int channel = int((colour >> shift) & 0xff) + amount;
        shaded |= uint32_t(channel < 0 ? 0 : channel > 255 ? 255 : channel) << shift;
    }
    return shaded;
}

struct Canvas {
    uint32_t* Pixels;
    int Width, Height, Scale;

    // A coordinate of the 96-dpi drawing at this scale, rounded.
    int S(int value) const { return (value * Scale + 50) / 100; }
    // A line's width: one pixel at 96 dpi, scaled, at least one.
    int Edge() const { return S(1) > 1 ? S(1) : 1; }

    void Rect(int x0, int y0, int x1, int y1, uint32_t colour)
    {
        if (x0 < 0)
            x0 = 0;
        if (y0 < 0)
            y0 = 0;
        if (x1 > Width)
            x1 = Width;
        if (y1 > Height)
            y1 = Height;
        for (int y = y0; y < y1; y++)
            for (int x = x0; x < x1; x++)
                Pixels[y * Width + x] = colour;
    }

    // A block letter K: a stem and two diagonal arms of square steps.
    void LetterK(int x, int y, int size, uint32_t colour)
    {
        int stroke = size / 5 > 1 ? size / 5 : 1;
        Rect(x, y, x + stroke, y + size, colour);
        int half = size / 2, centre = stroke / 2;
        for (int i = 0; i <= half; i++) {
            int ax = x + stroke + i;
            Rect(ax, y + half - i - centre, ax + stroke, y + half - i + stroke - centre, colour);
            Rect(ax, y + half + i - centre, ax + stroke, y + half + i + stroke - centre, colour);
        }
    }
};

}  // namespace

int PanelPictureSize(int scale, int* height)
{
    Canvas c = {nullptr, 0, 0, scale};
    *height = c.S(PanelPictureHeight);
    return c.S(PanelPictureWidth);
}

void DrawPanelPicture(int scale, uint32_t* pixels)
{
    Canvas c = {pixels, 0, 0, scale};
    c.Width = PanelPictureSize(scale, &c.Height);
    const int w = c.Width, h = c.Height, edge = c.Edge();
    // Soft vertical bands so the picture reads as lit from above.
    for (int y = 0; y < h; y++)
        c.Rect(0, y, w, y + 1, Shade(Panel, 30 - y * 50 / h));
    // A shelf of books.
    const int shelf = 112;
    for (int i = 0, x = 10; i < 9; i++) {
        uint32_t spine = Spines[i % 5];
        int width = 7 + i * 3 % 4, top = shelf - 34 - i * 7 % 13;
        c.Rect(c.S(x), c.S(top), c.S(x + width), c.S(shelf), spine);
        c.Rect(c.S(x), c.S(top), c.S(x) + edge, c.S(shelf), Shade(spine, 40));
        c.Rect(c.S(x + width) - edge, c.S(top), c.S(x + width), c.S(shelf), Shade(spine, -50));
        c.Rect(c.S(x + 2), c.S(top + 5), c.S(x + width - 2), c.S(top + 7), Paper);
        x += width + 1;
    }
    c.Rect(c.S(6), c.S(shelf), c.S(95 - 6), c.S(shelf + 4), Dark);
    // An open page with a K on it.
    const int left = c.S(18), top = c.S(126), right = c.S(77), bottom = c.S(164);
    c.Rect(left, top, right, bottom, Paper);
    c.Rect(left, top, right, top + edge, Dark);
    c.Rect(left, bottom - edge, right, bottom, Dark);
    c.Rect(left, top, left + edge, bottom, Dark);
    c.Rect(right - edge, top, right, bottom, Dark);
    c.Rect(c.S(47), top, c.S(47) + edge, bottom, Shade(Paper, -60));
    c.LetterK(c.S(24), c.S(132), c.S(26), Dark);
    for (int i = 0; i < 5; i++)
        c.Rect(c.S(52), c.S(134 + i * 5), c.S(72), c.S(134 + i * 5) + edge, Shade(Paper, -90));
    // Title strip at the top.
    c.Rect(c.S(8), c.S(10), c.S(95 - 8), c.S(38), Dark);
    c.LetterK(c.S(16), c.S(14), c.S(20), Paper);
    for (int i = 0; i < 3; i++)
        c.Rect(c.S(42), c.S(17 + i * 6), c.S(80 - i * 8), c.S(20 + i * 6), Paper);
}
