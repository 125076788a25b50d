// The panel picture's drawing and size for a display scale.
#include <gtest/gtest.h>

#include "core/scale.h"

namespace {

TEST(PanelPicture, EachDrawnScaleIsTakenAsItIsAndTheNearestBetween)
{
    struct Case {
        int dpi, scale, width, height;
    } cases[] = {
        {96, 100, 95, 174},    // the drawings' own sizes: copied, not scaled
        {144, 150, 143, 261},
        {192, 200, 190, 348},
        {120, 150, 119, 218},  // as near to 100 % as to 150 %: the larger shrinks
        {168, 200, 166, 305},
        {108, 100, 107, 196},
        {132, 150, 131, 239},
        {288, 200, 285, 522},  // past the largest drawing: it grows
        {72, 100, 71, 131},
        {0, 100, 95, 174},
    };
    for (const Case& c : cases) {
        PanelPicture picture = PanelPictureAt(c.dpi);
        EXPECT_EQ(c.scale, picture.Scale) << c.dpi;
        EXPECT_EQ(c.width, picture.Width) << c.dpi;
        EXPECT_EQ(c.height, picture.Height) << c.dpi;
    }
}

}  // namespace
