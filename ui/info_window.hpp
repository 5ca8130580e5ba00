#pragma once

#include <QWidget>

class QLabel;

namespace merolan {

class UserDialogs;

// Tells the user where the project page is (the installed manual when the project has no web
// address) and which version this is; a click on the address opens it.
class InfoWindow : public QWidget
{
    Q_OBJECT

public:
    explicit InfoWindow(UserDialogs &dialogs, QWidget *parent = nullptr);

    // Shows the window modal to the whole application and returns at once; the main window's
    // timers and serial reception go on while it is open.
    void ShowMe();
    // Hands the address to the user's default handler; neither waits nor reports a failure.
    void HyperJump(const QString &address);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    UserDialogs &dialogs_;
    QLabel *link_;
};

} // namespace merolan
