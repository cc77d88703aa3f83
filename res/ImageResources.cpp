#include "ImageResources.h"

const char *ImageResourcePath(ImageId image)
{
    switch (image) {
    case IDB_OUT_LOW:
        return ":/images/out_low.png";
    case IDB_HIGH:
        return ":/images/high.png";
    case IDB_IN_LOW:
        return ":/images/in_low.png";
    case IDB_CTRL_HIGH:
        return ":/images/ctrl_high.png";
    case IDB_CONNECTOR:
        return ":/images/connector.png";
    case IDR_MAINFRAME:
        return kIcon32ResourcePath;
    }
    return "";
}
