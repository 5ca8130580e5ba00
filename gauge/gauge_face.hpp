#pragma once

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QString>
#include <QWidget>

namespace merolan {

// The meter face of the main window: the face picture with whatever was drawn or printed on
// it since the last clear. Drawing goes into an off-screen image, so the needle and the texts
// survive when the window is covered and repainted. Child controls placed on the face (limit
// labels, warning lamp) are not touched by clearing or drawing.
class GaugeFace : public QWidget
{
    Q_OBJECT

public:
    explicit GaugeFace(QWidget *parent = nullptr);

    // Back to the bare face picture.
    void clear();
    // Flat caps and no antialiasing, so every pixel the line covers is exactly the colour.
    void drawLine(QPoint from, QPoint to, int width, QColor color);
    // Prints in the face's text colour and font with the text's top-left corner at the point,
    // on a transparent background.
    void printText(QPoint topLeft, const QString &text);
    // The needle for a scale position, 2 pixels wide or 1 when thin.
    void drawNeedle(double position, bool thin);

    const QImage &image() const { return image_; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QImage face_;
    QImage image_;
};

} // namespace merolan
