#include "ui/project_page.hpp"
#include "ui/project_page_places.hpp"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace merolan {

QString projectPageAddress(const QString &webAddress, const QString &programFolder)
{
    if (!webAddress.isEmpty())
        return webAddress;
    const QDir folder(programFolder);
    for (const char *relative : kManualFromProgram) {
        const QFileInfo manual(folder.filePath(QString::fromUtf8(relative)));
        if (manual.isFile())
            return QUrl::fromLocalFile(manual.canonicalFilePath()).toString();
    }
    // Not found: still where installing puts it, so the address says what is missing.
    return QUrl::fromLocalFile(QDir::cleanPath(folder.filePath(QString::fromUtf8(kManualFromProgram[0])))).toString();
}

QString projectPageAddress()
{
    return projectPageAddress(QString::fromUtf8(kProjectWebAddress), QCoreApplication::applicationDirPath());
}

} // namespace merolan
