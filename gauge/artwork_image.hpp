#pragma once

#include <QImage>
#include <QString>

namespace merolan {

// A picture of the main window ("front_panel", "gauge_face", "warning_lamp") in the device
// pixels of a screen at the given pixel ratio, so it is as sharp as the text beside it: the
// drawing itself at ratio 1 and 2, the double-size drawing resampled for any other ratio. The
// image is never smaller than the picture's area on that screen, so the picture leaves no seam
// when that area starts or ends inside a device pixel. Null when the picture is missing.
QImage artworkImage(const QString &name, qreal ratio);

} // namespace merolan
