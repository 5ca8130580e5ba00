#include "tools/artwork/app_icon.hpp"

#include <QFile>
#include <QImage>
#include <QString>

#include <gtest/gtest.h>

namespace {

QString iconPath(const QString &relative)
{
    return QStringLiteral(MEROLAN_SOURCE_DIR "/packaging/icons/") + relative;
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
        EXPECT_TRUE(committed.convertToFormat(QImage::Format_ARGB32) == merolan::appIconImage(pixels))
            << "the " << pixels << " px PNG is stale: run scripts/artwork.sh";
    }
}
