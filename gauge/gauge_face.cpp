#include "gauge/gauge_face.hpp"

#include "gauge/artwork_image.hpp"
#include "gauge/needle_geometry.hpp"
#include "gauge/panel_geometry.hpp"

#include <QFont>
#include <QFontDatabase>
#include <QPainter>
#include <QPen>

#include <utility>

namespace merolan {

namespace {

const QColor kTextColor(0, 0, 255);
const QColor kNeedleColor(192, 0, 0);
const QColor kStaleNeedleColor(150, 150, 150);

// Arial bold 12 pt at 96 dpi. Where Arial is missing, Liberation Sans has the same metrics,
// so the texts keep their width and their place above the printed marks.
QFont faceFont()
{
    QFont font(QFontDatabase::hasFamily(QStringLiteral("Arial")) ? QStringLiteral("Arial")
                                                                 : QStringLiteral("Liberation Sans"));
    font.setPixelSize(16);
    font.setBold(true);
    return font;
}

QImage loadFacePicture(qreal ratio)
{
    QImage picture = artworkImage(QStringLiteral("gauge_face"), ratio);
    if (picture.isNull()) {
        // Without the picture the face still draws, on plain white.
        picture = QImage(QSize(kFacePicture.width, kFacePicture.height) * ratio, QImage::Format_RGB32);
        picture.setDevicePixelRatio(ratio);
        picture.fill(Qt::white);
    }
    return picture.convertToFormat(QImage::Format_RGB32);
}

} // namespace

GaugeFace::GaugeFace(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Picture2"));
    setFixedSize(kFacePicture.width, kFacePicture.height);
    setAttribute(Qt::WA_OpaquePaintEvent);
    matchPixelRatio();
}

void GaugeFace::clear()
{
    marks_.clear();
    image_ = face_;
    update();
}

void GaugeFace::drawLine(QPoint from, QPoint to, int width, QColor color)
{
    add(Line{from, to, width, color});
}

void GaugeFace::printText(QPoint topLeft, const QString &text)
{
    add(Text{topLeft, text});
}

void GaugeFace::drawNeedle(double position, bool thin, bool live)
{
    const NeedleLine line = needleLine(position);
    drawLine(QPoint(line.x1, line.y1), QPoint(line.x2, line.y2), thin ? 1 : 2, live ? kNeedleColor : kStaleNeedleColor);
}

void GaugeFace::add(Mark mark)
{
    marks_.push_back(std::move(mark));
    paint(marks_.back());
    update();
}

void GaugeFace::paint(const Mark &mark)
{
    QPainter painter(&image_);
    if (const auto *line = std::get_if<Line>(&mark)) {
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setPen(QPen(line->color, line->width, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
        painter.drawLine(line->from, line->to);
    } else if (const auto *text = std::get_if<Text>(&mark)) {
        painter.setFont(faceFont());
        painter.setPen(kTextColor);
        painter.setBackgroundMode(Qt::TransparentMode);
        // The text cell starts at the point, so the baseline lies one ascent below it.
        painter.drawText(text->topLeft + QPoint(0, painter.fontMetrics().ascent()), text->text);
    }
}

void GaugeFace::matchPixelRatio()
{
    const qreal ratio = devicePixelRatioF();
    if (!face_.isNull() && face_.devicePixelRatio() == ratio)
        return;
    face_ = loadFacePicture(ratio);
    image_ = face_;
    for (const Mark &mark : marks_)
        paint(mark);
}

void GaugeFace::paintEvent(QPaintEvent *)
{
    matchPixelRatio();
    QPainter painter(this);
    painter.drawImage(0, 0, image_);
}

} // namespace merolan
