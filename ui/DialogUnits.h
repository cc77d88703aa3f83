#pragma once

#include <QRect>

// Dialog templates are laid out in dialog units; at the design scale (a 6 x 12 pixel font
// cell) one unit is 1.5 pixels each way. Each value converts on its own, halves rounded up.
constexpr int DialogUnitsToPixels(int units)
{
    return (3 * units + 1) / 2;
}

struct DialogUnitRect {
    int x, y, width, height;

    constexpr QRect toPixels() const
    {
        return {DialogUnitsToPixels(x), DialogUnitsToPixels(y), DialogUnitsToPixels(width),
                DialogUnitsToPixels(height)};
    }
};
