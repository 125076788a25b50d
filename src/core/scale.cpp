#include "core/scale.h"

int ScaleToDpi(int value, int dpi)
{
    long long scaled = static_cast<long long>(value) * dpi;
    return static_cast<int>(scaled >= 0 ? (scaled + 48) / 96 : -((48 - scaled) / 96));
}

PanelPicture PanelPictureAt(int dpi)
{
    if (dpi < 1)
        dpi = 96;
    // Compared in hundredths of 96 dots per inch: scale s is s * 96 / 100.
    const int percent = dpi * 100;
    int best = PanelPictureScales[0];
    for (int scale : PanelPictureScales) {
        int distance = percent - scale * 96;
        int bestDistance = percent - best * 96;
        if (distance < 0)
            distance = -distance;
        if (bestDistance < 0)
            bestDistance = -bestDistance;
        if (distance <= bestDistance)
            best = scale;
    }
    return PanelPicture{best, ScaleToDpi(PanelPictureWidth, dpi), ScaleToDpi(PanelPictureHeight, dpi)};
}
