#pragma once

#include <QLabel>
#include <QString>

namespace merolan {

// A label showing one of the window's pictures at the pixel ratio of the screen it is on; the
// picture is fetched again when the window moves to a screen of another ratio.
class ArtworkLabel : public QLabel
{
    Q_OBJECT

public:
    ArtworkLabel(const QString &artwork, QWidget *parent);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void matchPixelRatio();

    QString artwork_;
    qreal shownRatio_ = 0;
};

} // namespace merolan
