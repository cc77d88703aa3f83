#pragma once

#include "ImageId.h"

// Where each image lives among the program's resources; the icon is applicationIcon's, in two
// sizes.
const char *ImageResourcePath(ImageId image);

inline constexpr const char *kIcon16ResourcePath = ":/images/icon16.png";
inline constexpr const char *kIcon32ResourcePath = ":/images/icon32.png";
