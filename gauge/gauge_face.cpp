#include "gauge/gauge_face.hpp"

#include "gauge/needle_geometry.hpp"

#include <QFont>
#include <QFontDatabase>
#include <QPainter>
#include <QPen>

// The pictures live in a static library, where the linker drops the resource unless it is
// named; Q_INIT_RESOURCE has to be used outside any namespace.
static void initArtworkResource()
{
    Q_INIT_RESOURCE(artwork);
}

namespace merolan {

namespace {

constexpr int kFaceWidth = 528;
constexpr int kFaceHeight = 222;
const QColor kTextColor(0, 0, 255);
const QColor kNeedleColor(192, 0, 0);

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

QImage loadFacePicture()
{
    initArtworkResource();
    QImage picture(QStringLiteral(":/artwork/gauge_face.png"));
    if (picture.isNull()) {
        // Without the picture the face still draws, on plain white.
        picture = QImage(kFaceWidth, kFaceHeight, QImage::Format_RGB32);
        picture.fill(Qt::white);
    }
    return picture.convertToFormat(QImage::Format_RGB32);
}

} // namespace

GaugeFace::GaugeFace(QWidget *parent) : QWidget(parent), face_(loadFacePicture()), image_(face_)
{
    setObjectName(QStringLiteral("Picture2"));
    setFixedSize(kFaceWidth, kFaceHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void GaugeFace::clear()
{
    image_ = face_;
    update();
}

void GaugeFace::drawLine(QPoint from, QPoint to, int width, QColor color)
{
    QPainter painter(&image_);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(color, width, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    painter.drawLine(from, to);
    update();
}

void GaugeFace::printText(QPoint topLeft, const QString &text)
{
    QPainter painter(&image_);
    const QFont font = faceFont();
    painter.setFont(font);
    painter.setPen(kTextColor);
    painter.setBackgroundMode(Qt::TransparentMode);
    // The text cell starts at the point, so the baseline lies one ascent below it.
    painter.drawText(topLeft + QPoint(0, painter.fontMetrics().ascent()), text);
    update();
}

void GaugeFace::drawNeedle(double position, bool thin)
{
    const NeedleLine line = needleLine(position);
    drawLine(QPoint(line.x1, line.y1), QPoint(line.x2, line.y2), thin ? 1 : 2, kNeedleColor);
}

void GaugeFace::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.drawImage(0, 0, image_);
}

} // namespace merolan
