#pragma once

#include <QLabel>
#include <QString>

namespace merolan {

// A label in a one-pixel box of its text colour, with all four sides on screen at any scale.
// A plain QFrame box strokes its sides on the widget's very edge, where at a fractional scale
// such as 1.25 a side can fall outside the device pixels the widget paints and vanish; filled
// bands always keep at least one device pixel.
class BoxLabel : public QLabel
{
    Q_OBJECT

public:
    BoxLabel(const QString &text, QWidget *parent);

protected:
    void changeEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
};

} // namespace merolan
