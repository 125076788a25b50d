#include "core/scale.h"

namespace {

int Scaled(int value, int unitHeight)
{
    return (value * unitHeight + DialogUnitHeightAt96 / 2) / DialogUnitHeightAt96;
}

int Distance(int unitHeight, int scale)
{
    // The dialog's scale and `scale`, both in hundredths of the 96-dpi unit.
    int distance = unitHeight * 100 - scale * DialogUnitHeightAt96;
    return distance < 0 ? -distance : distance;
}

}  // namespace

PanelPicture PanelPictureAt(int unitHeight)
{
    if (unitHeight < 1)
        unitHeight = DialogUnitHeightAt96;
    int best = PanelPictureScales[0];
    for (int scale : PanelPictureScales)
        if (Distance(unitHeight, scale) <= Distance(unitHeight, best))
            best = scale;
    return PanelPicture{best, Scaled(PanelPictureWidth, unitHeight), Scaled(PanelPictureHeight, unitHeight)};
}
