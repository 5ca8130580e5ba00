#include "gauge/artwork_image.hpp"

#include <cmath>

// The pictures live in a static library, where the linker drops the resource unless it is
// named; Q_INIT_RESOURCE has to be used outside any namespace.
static void initArtworkResource()
{
    Q_INIT_RESOURCE(artwork);
}

namespace merolan {

namespace {

QImage load(const QString &name, int scale)
{
    initArtworkResource();
    const QString suffix = scale == 1 ? QStringLiteral(".png") : QStringLiteral("@%1x.png").arg(scale);
    QImage picture(QStringLiteral(":/artwork/") + name + suffix);
    picture.setDevicePixelRatio(scale);
    return picture;
}

// Rounded up, with room for the error of a product such as 100 * 1.1.
int devicePixels(int logicalPixels, qreal ratio)
{
    return static_cast<int>(std::ceil(logicalPixels * ratio - 1e-6));
}

} // namespace

QImage artworkImage(const QString &name, qreal ratio)
{
    if (!std::isfinite(ratio) || ratio <= 0)
        ratio = 1;
    const int scale = ratio > 1 ? 2 : 1;
    QImage drawn = load(name, scale);
    if (drawn.isNull() || ratio == scale)
        return drawn;
    const int width = drawn.width() / scale, height = drawn.height() / scale;
    QImage resampled = drawn.scaled(devicePixels(width, ratio), devicePixels(height, ratio), Qt::IgnoreAspectRatio,
                                    Qt::SmoothTransformation);
    resampled.setDevicePixelRatio(ratio);
    return resampled;
}

} // namespace merolan
