#include "IndicatorImages.h"

#include "ImageResources.h"

#include <map>

namespace {

std::map<ImageId, QPixmap> &cache()
{
    static std::map<ImageId, QPixmap> pixmaps;
    return pixmaps;
}

int g_decodes = 0;

QPixmap decode(ImageId image)
{
    ++g_decodes;
    return QPixmap(QString::fromLatin1(ImageResourcePath(image)));
}

} // namespace

const QPixmap &IndicatorImages::pixmap(ImageId image)
{
    auto &pixmaps = cache();
    auto found = pixmaps.find(image);
    if (found == pixmaps.end())
        found = pixmaps.emplace(image, decode(image)).first;
    return found->second;
}

const QIcon &IndicatorImages::applicationIcon()
{
    static const QIcon icon = [] {
        QIcon i;
        i.addFile(QString::fromLatin1(kIcon16ResourcePath), QSize(16, 16));
        i.addFile(QString::fromLatin1(kIcon32ResourcePath), QSize(32, 32));
        return i;
    }();
    return icon;
}

int IndicatorImages::decodeCount()
{
    return g_decodes;
}
