#include "ui/remote_controls.hpp"

#include "core/settings/table_store.hpp"
#include "ui/widget_factory.hpp"

#include <QPushButton>
#include <QWidget>

namespace merolan {
namespace {

namespace layout {
// The title band's free middle, right of "Record" and "Trend".
constexpr QRect remoteButton{668, 13, 89, 23};
} // namespace layout

} // namespace

RemoteControls::RemoteControls(AppContext &context, MeterSession &session, QWidget *panel)
    : QObject(panel), context_(context), session_(session),
      button_(makeButton(panel, "RemoteButton", layout::remoteButton, QStringLiteral("Remote")))
{
    button_->setCheckable(true);
    button_->setToolTip(QStringLiteral("Serve the meter to test tools as a SCPI instrument on %1")
                            .arg(listenAddressText(address_.host, address_.port)));
    connect(button_, &QPushButton::clicked, this, &RemoteControls::buttonClicked);
}

RemoteControls::~RemoteControls() = default;

std::optional<QString> RemoteControls::serve(const ListenAddress &address)
{
    stop();
    address_ = address;
    // The window is in charge of the instrument: clients read and trigger, a *RST changes no setting.
    auto server =
        std::make_unique<RemoteServer>(context_.instrument, session_, tablesFolderBeside(context_.settingsFile));
    if (std::optional<QString> problem = server->listen(address.host, address.port)) {
        button_->setChecked(false);
        return QStringLiteral("Cannot serve on %1: %2.").arg(listenAddressText(address.host, address.port), *problem);
    }
    server_ = std::move(server);
    connect(server_.get(), &RemoteServer::clientCountChanged, this, &RemoteControls::tellChanged);
    button_->setChecked(true);
    button_->setToolTip(QStringLiteral("Serving the meter on %1; press to stop").arg(this->address()));
    tellChanged();
    return std::nullopt;
}

void RemoteControls::stop()
{
    if (!server_)
        return;
    server_.reset();
    button_->setChecked(false);
    button_->setToolTip(QStringLiteral("Serve the meter to test tools as a SCPI instrument on %1")
                            .arg(listenAddressText(address_.host, address_.port)));
    tellChanged();
}

QString RemoteControls::address() const
{
    return server_ ? listenAddressText(address_.host, server_->port()) : QString();
}

int RemoteControls::clientCount() const
{
    return server_ ? server_->clientCount() : 0;
}

void RemoteControls::buttonClicked(bool checked)
{
    if (!checked) {
        stop();
        return;
    }
    if (const std::optional<QString> problem = serve(address_))
        context_.dialogs.showMessage(button_->window(), UserDialogs::Icon::Error, QStringLiteral("Remote"), *problem);
}

void RemoteControls::tellChanged()
{
    emit remoteChanged(address(), clientCount());
}

} // namespace merolan
