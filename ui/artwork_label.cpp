#include "ui/artwork_label.hpp"

#include "gauge/artwork_image.hpp"

#include <QPixmap>

namespace merolan {

ArtworkLabel::ArtworkLabel(const QString &artwork, QWidget *parent) : QLabel(parent), artwork_(artwork)
{
    matchPixelRatio();
}

void ArtworkLabel::paintEvent(QPaintEvent *event)
{
    matchPixelRatio();
    QLabel::paintEvent(event);
}

void ArtworkLabel::matchPixelRatio()
{
    const qreal ratio = devicePixelRatioF();
    if (ratio == shownRatio_)
        return;
    shownRatio_ = ratio;
    setPixmap(QPixmap::fromImage(artworkImage(artwork_, ratio)));
}

} // namespace merolan
