#include "link/settings_location.hpp"

#include <QLocale>
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

char userDecimalSeparator()
{
    const QString point = QLocale::system().decimalPoint();
    return point.size() == 1 && point.at(0).unicode() < 0x80 ? point.at(0).toLatin1() : '.';
}

} // namespace merolan
