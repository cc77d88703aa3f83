#include "ImageResources.h"

#include <utility>

const char *ImageResourcePath(ImageId image)
{
    static constexpr std::pair<ImageId, const char *> kPaths[] = {
        {IDB_OUT_LOW, ":/images/out_low.png"},     {IDB_HIGH, ":/images/high.png"},
        {IDB_IN_LOW, ":/images/in_low.png"},       {IDB_CTRL_HIGH, ":/images/ctrl_high.png"},
        {IDB_CONNECTOR, ":/images/connector.png"},
    };
    for (const auto &[id, path] : kPaths)
        if (id == image)
            return path;
    return "";
}
