#include "ui/settings_location.hpp"

#include <QStandardPaths>

namespace merolan {

std::filesystem::path defaultSettingsFile()
{
#ifdef Q_OS_WIN
    return std::filesystem::path(L"c:\\merolan.dat");
#else
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return std::filesystem::path(folder.toStdString()) / "merolan" / "merolan.dat";
#endif
}

} // namespace merolan
