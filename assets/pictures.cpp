#include "pictures.h"

#include "facefiles.h"

namespace assets {

static_assert(detail::faceFiles.size() == faceCount);

QString facePath(int index)
{
    if (index < 1 || index > faceCount)
        return {};
    const bool jpeg = detail::faceFiles[index - 1].jpeg;
    return QStringLiteral(":/pictures/face%1.%2")
        .arg(index, 2, 10, QLatin1Char('0'))
        .arg(jpeg ? QLatin1String("jpg") : QLatin1String("bmp"));
}

QString backPath(int cardCount)
{
    if (coppix::sizeIndex(cardCount) < 0)
        return {};
    return QStringLiteral(":/pictures/back%1.bmp").arg(cardCount);
}

QString iconPath()
{
    return QStringLiteral(":/pictures/icon.bmp");
}

}  // namespace assets
