#include "ui/box_label.hpp"

#include <QEvent>
#include <QFontMetrics>
#include <QPainter>

namespace merolan {

namespace {

// A framed label keeps its text half an "x" clear of the frame.
int textIndent(const QFontMetrics &metrics)
{
    return metrics.horizontalAdvance(QLatin1Char('x')) / 2;
}

} // namespace

BoxLabel::BoxLabel(const QString &text, QWidget *parent) : QLabel(text, parent)
{
    // Room for the box, as a one-pixel frame would take.
    setContentsMargins(1, 1, 1, 1);
    setIndent(textIndent(fontMetrics()));
}

void BoxLabel::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange)
        setIndent(textIndent(fontMetrics()));
    QLabel::changeEvent(event);
}

void BoxLabel::paintEvent(QPaintEvent *event)
{
    QLabel::paintEvent(event);
    QPainter painter(this);
    const QColor ink = palette().color(QPalette::WindowText);
    const qreal w = width(), h = height();
    painter.fillRect(QRectF(0, 0, w, 1), ink);
    painter.fillRect(QRectF(0, h - 1, w, 1), ink);
    painter.fillRect(QRectF(0, 0, 1, h), ink);
    painter.fillRect(QRectF(w - 1, 0, 1, h), ink);
}

} // namespace merolan
