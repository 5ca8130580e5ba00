#pragma once

#include <QString>

class QWidget;

namespace merolan {

// A new file's name to offer in the user's documents folder: `stem` and the local time, as in
// "merolan-20261209-150211.csv".
QString suggestedDocumentPath(const QString &stem, const QString &extension);

// Every message box, the file dialog and the opening of a web address go through here, so
// tests can script the answers and nothing blocks.
class UserDialogs
{
public:
    enum class Icon { Error, Warning, Information };

    virtual ~UserDialogs() = default;
    // A message with a single OK button.
    virtual void showMessage(QWidget *parent, Icon icon, const QString &title, const QString &text) = 0;
    // Yes / No with the warning icon and No as the default; true for Yes.
    virtual bool askYesNo(QWidget *parent, const QString &title, const QString &text) = 0;
    // An existing file chosen by the user, or an empty text when cancelled.
    virtual QString chooseExistingFile(QWidget *parent, const QString &title, const QString &filter) = 0;
    // A file to write, offered as `suggestedPath`; the user confirms replacing one that exists.
    // An empty text when cancelled.
    virtual QString chooseSaveFile(QWidget *parent, const QString &title, const QString &suggestedPath,
                                   const QString &filter) = 0;
    // Hands the address to the user's default handler; neither waits nor reports failures.
    virtual void openAddress(const QString &address) = 0;
};

// The real dialogs of the desktop.
class DesktopDialogs final : public UserDialogs
{
public:
    void showMessage(QWidget *parent, Icon icon, const QString &title, const QString &text) override;
    bool askYesNo(QWidget *parent, const QString &title, const QString &text) override;
    QString chooseExistingFile(QWidget *parent, const QString &title, const QString &filter) override;
    QString chooseSaveFile(QWidget *parent, const QString &title, const QString &suggestedPath,
                           const QString &filter) override;
    void openAddress(const QString &address) override;
};

// For tools that drive the windows unattended: says nothing and answers No and Cancel.
class SilentDialogs final : public UserDialogs
{
public:
    void showMessage(QWidget *, Icon, const QString &, const QString &) override {}
    bool askYesNo(QWidget *, const QString &, const QString &) override { return false; }
    QString chooseExistingFile(QWidget *, const QString &, const QString &) override { return {}; }
    QString chooseSaveFile(QWidget *, const QString &, const QString &, const QString &) override { return {}; }
    void openAddress(const QString &) override {}
};

} // namespace merolan
