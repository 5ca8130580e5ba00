#include "tools/artwork/app_icon.hpp"

#include <QFile>
#include <QImage>
#include <QString>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

namespace {

QString iconPath(const QString &relative)
{
    return QStringLiteral(MEROLAN_SOURCE_DIR "/packaging/icons/") + relative;
}

// The raster engine picks its arithmetic by the processor's features, so the same drawing can
// land one step apart on a few edge pixels from one machine to the next; a change to the drawing
// moves far more than that.
int largestChannelDifference(const QImage &a, const QImage &b)
{
    if (a.size() != b.size())
        return 255;
    int largest = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            largest = std::max({largest, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                                std::abs(qBlue(p) - qBlue(q)), std::abs(qAlpha(p) - qAlpha(q))});
        }
    }
    return largest;
}

} // namespace

// A change to the drawing without rerunning scripts/artwork.sh would install a stale icon.
TEST(AppIcon, CommittedFilesMatchWhatTheGeneratorDrawsNow)
{
    QFile svg(iconPath(QStringLiteral("org.merolan.Merolan.svg")));
    ASSERT_TRUE(svg.open(QIODevice::ReadOnly)) << qPrintable(svg.fileName());
    EXPECT_TRUE(svg.readAll() == merolan::appIconSvg()) << "the SVG is stale: run scripts/artwork.sh";

    for (const int pixels : {48, 128, 256}) {
        const QString path = iconPath(QStringLiteral("%1/org.merolan.Merolan.png").arg(pixels));
        const QImage committed(path);
        ASSERT_FALSE(committed.isNull()) << qPrintable(path);
        EXPECT_LE(
            largestChannelDifference(committed.convertToFormat(QImage::Format_ARGB32), merolan::appIconImage(pixels)),
            2)
            << "the " << pixels << " px PNG is stale: run scripts/artwork.sh";
    }
}
