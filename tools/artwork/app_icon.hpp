#pragma once

// The program's desktop icon: a small analogue power meter. One set of shapes is written out
// twice, as SVG for desktops that scale it themselves and as pixels for those that want PNGs,
// so the two cannot drift apart.

#include <QByteArray>
#include <QImage>

namespace merolan {

// The whole icon as an SVG 1.1 document on a 256 x 256 grid. The text depends on nothing but
// this code, so it can be committed and compared.
QByteArray appIconSvg();

// The icon drawn at pixels x pixels, ARGB32 with a transparent surround.
QImage appIconImage(int pixels);

} // namespace merolan
