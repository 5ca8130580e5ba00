#pragma once

#include <QString>

namespace merolan {

// Where the info window's link leads: the project's web address when the build was given one,
// otherwise the program's manual as an HTML file, installed beside the program or, when run from
// the build tree, rendered there. The address never names a page that is not the project's own.
QString projectPageAddress(const QString &webAddress, const QString &programFolder);

// The same for this build and this running program.
QString projectPageAddress();

} // namespace merolan
