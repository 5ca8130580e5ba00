#pragma once

#include "link/meter_session.hpp"
#include "remote/listen_address.hpp"
#include "remote/remote_server.hpp"
#include "ui/app_context.hpp"

#include <QObject>
#include <QString>

#include <memory>
#include <optional>

class QPushButton;
class QWidget;

namespace merolan {

// "Remote" in the title band's free space: serves the window's session to test tools as a SCPI
// instrument. The user stays in charge: clients read and trigger readings, while a command that
// would change a setting or the measuring is refused.
class RemoteControls : public QObject
{
    Q_OBJECT

public:
    RemoteControls(AppContext &context, MeterSession &session, QWidget *panel);
    ~RemoteControls() override;

    // Serves on `address` from now on, this time and whenever the button is pressed again; the
    // reason in words when it cannot, and then the button stays up.
    std::optional<QString> serve(const ListenAddress &address);
    void stop();
    bool isServing() const { return server_ != nullptr; }
    // "127.0.0.1:5025"; empty while not serving.
    QString address() const;
    int clientCount() const;

signals:
    void remoteChanged(const QString &address, int clients);

private:
    void buttonClicked(bool checked);
    void tellChanged();

    AppContext &context_;
    MeterSession &session_;
    QPushButton *button_;
    ListenAddress address_;
    std::unique_ptr<RemoteServer> server_;
};

} // namespace merolan
