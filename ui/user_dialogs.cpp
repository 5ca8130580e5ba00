#include "ui/user_dialogs.hpp"

#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QStandardPaths>
#include <QUrl>

namespace merolan {

QString suggestedDocumentPath(const QString &stem, const QString &extension)
{
    const QString time = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    return QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
        .filePath(QStringLiteral("%1-%2.%3").arg(stem, time, extension));
}

void DesktopDialogs::showMessage(QWidget *parent, Icon icon, const QString &title, const QString &text)
{
    const QMessageBox::Icon shown = icon == Icon::Error     ? QMessageBox::Critical
                                    : icon == Icon::Warning ? QMessageBox::Warning
                                                            : QMessageBox::Information;
    QMessageBox box(shown, title, text, QMessageBox::Ok, parent);
    box.exec();
}

bool DesktopDialogs::askYesNo(QWidget *parent, const QString &title, const QString &text)
{
    QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

QString DesktopDialogs::chooseExistingFile(QWidget *parent, const QString &title, const QString &filter)
{
    QFileDialog dialog(parent, title, QString(), filter);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.selectFile(QStringLiteral("*.dat"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

QString DesktopDialogs::chooseSaveFile(QWidget *parent, const QString &title, const QString &suggestedPath,
                                       const QString &filter)
{
    // The dialog asks before it lets the user pick a file that exists.
    return QFileDialog::getSaveFileName(parent, title, suggestedPath, filter);
}

void DesktopDialogs::openAddress(const QString &address)
{
    QDesktopServices::openUrl(QUrl(address));
}

} // namespace merolan
