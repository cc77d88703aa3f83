#pragma once

#include "ImageId.h"

#include <QIcon>
#include <QPixmap>

// Every image is loaded from the resources once and shared afterwards, so that changing an
// indicator a million times allocates nothing.
class IndicatorImages {
public:
    static const QPixmap &pixmap(ImageId image);
    static const QIcon &applicationIcon();
    static int decodeCount(); // images read from the resources so far
};
