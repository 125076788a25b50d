// The panel picture's drawing, and its size for a dialog's scale.
#include <gtest/gtest.h>

#include "core/panel_picture.h"
#include "core/scale.h"
#include "test_util.h"

namespace {

TEST(PanelPicture, EachDrawnScaleIsTakenAsItIsAndTheNearestBetween)
{
    struct Case {
        int unitHeight, scale, width, height;
    } cases[] = {
        {13, 100, 95, 174},   // 96 dpi: the drawing's own size, copied as it is
        {26, 200, 190, 348},  // twice the unit: the 200 % drawing as it is
        {16, 100, 117, 214},  // 123 %: nearer 100 % than 150 %
        {17, 150, 124, 228},  // 131 %: nearer 150 %
        {20, 150, 146, 268},
        {23, 200, 168, 308},  // 177 %: nearer 200 %
        {39, 200, 285, 522},  // past the largest drawing: it grows
        {7, 100, 51, 94},
        {0, 100, 95, 174},
    };
    for (const Case& c : cases) {
        PanelPicture picture = PanelPictureAt(c.unitHeight);
        EXPECT_EQ(c.scale, picture.Scale) << c.unitHeight;
        EXPECT_EQ(c.width, picture.Width) << c.unitHeight;
        EXPECT_EQ(c.height, picture.Height) << c.unitHeight;
    }
}

// The pixels of an 8-bit run-length encoded BMP, rows from the top, each
// 0x00RRGGBB; empty when the file is not one.
std::vector<uint32_t> DecodeRle8(const testutil::Bytes& file, int* width, int* height)
{
    auto at = [&](size_t offset) { return uint32_t(file[offset] | file[offset + 1] << 8 | file[offset + 2] << 16 | file[offset + 3] << 24); };
    if (file.size() < 54 || at(30) != 1)
        return {};
    *width = int(at(18));
    *height = int(at(22));
    std::vector<uint32_t> pixels(size_t(*width) * *height);
    size_t palette = 14 + at(14), p = at(10);
    int x = 0, y = *height - 1;
    while (p + 1 < file.size()) {
        uint8_t count = file[p++], value = file[p++];
        if (count) {
            for (; count; count--, x++)
                if (x < *width && y >= 0)
                    pixels[size_t(y) * *width + x] = at(palette + 4 * value) & 0xffffff;
        } else if (value == 0) {
            x = 0;
            y--;
        } else if (value == 1) {
            return pixels;
        } else {
            return {};  // no escape but line and picture ends is written
        }
    }
    return {};
}

// The program draws the picture itself: at each scale, pixel for pixel the
// picture the art was made as.
TEST(PanelPicture, EachScaleIsDrawnAsTheArtWasMade)
{
    for (int scale : PanelPictureScales) {
        std::string name = scale == 100 ? "panel" : "panel" + std::to_string(scale);
        int width = 0, height = 0;
        std::vector<uint32_t> art = DecodeRle8(testutil::ReadFile(KOVA_SOURCE_DIR "/tests/unit/data/" + name + ".bmp"), &width, &height);
        ASSERT_FALSE(art.empty()) << name;
        int drawnHeight = 0;
        ASSERT_EQ(width, PanelPictureSize(scale, &drawnHeight)) << scale;
        ASSERT_EQ(height, drawnHeight) << scale;
        std::vector<uint32_t> drawn(art.size(), 0xff000000);
        DrawPanelPicture(scale, drawn.data());
        int differ = 0;
        for (size_t i = 0; i < art.size(); i++)
            differ += drawn[i] != art[i];
        EXPECT_EQ(0, differ) << scale;
    }
}

}  // namespace
