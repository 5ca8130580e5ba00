#pragma once

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QString>
#include <QWidget>

#include <variant>
#include <vector>

namespace merolan {

// The meter face of the main window: the face picture with whatever was drawn or printed on
// it since the last clear. Drawing goes into an off-screen image, so the needle and the texts
// survive when the window is covered and repainted. The image holds the device pixels of the
// screen the face is on, so the needle and the texts are as sharp as the rest of the window;
// positions and widths stay in the face's own pixels at every ratio. Child controls placed on
// the face (limit labels, warning lamp) are not touched by clearing or drawing.
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
    // The needle for a scale position, 2 pixels wide or 1 when thin; grey when it shows a value
    // that is no longer renewed.
    void drawNeedle(double position, bool thin, bool live = true);

    // In device pixels, with the screen's pixel ratio as its own.
    const QImage &image() const { return image_; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    struct Line {
        QPoint from, to;
        int width;
        QColor color;
    };
    struct Text {
        QPoint topLeft;
        QString text;
    };
    using Mark = std::variant<Line, Text>;

    void add(Mark mark);
    void paint(const Mark &mark);
    // On a screen of another ratio the face is fetched again and the marks are drawn anew.
    void matchPixelRatio();

    QImage face_;
    QImage image_;
    // What was drawn since the last clear: a needle and a few texts.
    std::vector<Mark> marks_;
};

} // namespace merolan
