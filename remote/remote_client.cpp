#include "remote/remote_client.hpp"

#include "remote/remote_server.hpp"

#include <QTcpSocket>

#include <utility>

namespace merolan {

namespace {

// Messages read ahead of the one running; beyond this the socket is left unread, so the
// client's own sends block rather than our memory growing.
constexpr std::size_t kMaxQueuedBytes = 64 * scpi::kMaxMessageBytes;
constexpr qint64 kSocketReadBuffer = 64 * 1024;

} // namespace

RemoteClient::RemoteClient(QTcpSocket *socket, scpi::MeterShared &shared, RemoteServer &server)
    : socket_(socket), server_(server), connection_(shared)
{
    socket_->setParent(this);
    socket_->setReadBufferSize(kSocketReadBuffer);
    connect(socket_, &QTcpSocket::readyRead, this, &RemoteClient::readArrived);
    connect(socket_, &QTcpSocket::disconnected, this, &RemoteClient::drop);
    connect(socket_, &QTcpSocket::errorOccurred, this, &RemoteClient::drop);
}

RemoteClient::~RemoteClient() = default;

void RemoteClient::readArrived()
{
    while (!dropped_ && queuedBytes_ < kMaxQueuedBytes && socket_->bytesAvailable() > 0) {
        const QByteArray bytes = socket_->read(static_cast<qint64>(scpi::kMaxMessageBytes));
        for (scpi::MessageEvent &event :
             splitter_.feed(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())))) {
            queuedBytes_ += event.text.size() + 1;
            queued_.push_back(std::move(event));
        }
    }
    proceed();
}

void RemoteClient::proceed()
{
    // A message's reading may come back while this very loop runs (a refusal at once).
    if (proceeding_ || dropped_)
        return;
    proceeding_ = true;
    while (!connection_.waitsForReading() && !queued_.empty()) {
        scpi::MessageEvent event = std::move(queued_.front());
        queued_.pop_front();
        queuedBytes_ -= event.text.size() + 1;
        if (event.kind == scpi::MessageEvent::Kind::Overrun)
            connection_.takeOverrun();
        else
            connection_.takeMessage(event.text);
        if (const std::optional<bool> continuous = connection_.takeContinuousRequest())
            server_.continuousRequested(*continuous);
        if (connection_.takeTriggerRequest())
            server_.triggerRequested();
        if (connection_.waitsForReading())
            server_.requestReading(this);
    }
    proceeding_ = false;
    if (dropped_)
        return;
    if (const std::string output = connection_.takeOutput(); !output.empty())
        socket_->write(output.data(), static_cast<qint64>(output.size()));
    if (socket_->bytesToWrite() > RemoteServer::kMaxUnsentBytes) {
        socket_->abort();
        drop();
        return;
    }
    if (queuedBytes_ < kMaxQueuedBytes && socket_->bytesAvailable() > 0)
        QMetaObject::invokeMethod(this, &RemoteClient::readArrived, Qt::QueuedConnection);
}

void RemoteClient::drop()
{
    if (std::exchange(dropped_, true))
        return;
    emit gone(this);
}

} // namespace merolan
