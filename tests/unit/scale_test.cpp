// The panel picture's drawing and size for a dialog's scale.
#include <gtest/gtest.h>

#include "core/scale.h"

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

}  // namespace
