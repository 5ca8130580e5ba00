#include "remote/remote_client.hpp"

#include <QTcpSocket>

#include <utility>

namespace merolan {

namespace {

// Messages read ahead of the one running; beyond this the socket is left unread, so the
// client's own sends block rather than our memory growing.
constexpr std::size_t kMaxQueuedBytes = 64 * scpi::kMaxMessageBytes;
constexpr qint64 kSocketReadBuffer = 64 * 1024;

} // namespace

RemoteClient::RemoteClient(QTcpSocket *socket, scpi::MeterShared &shared) : socket_(socket), connection_(shared)
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
    if (!dropped_ && !queued_.empty())
        emit messagesArrived(this);
}

std::optional<scpi::MessageEvent> RemoteClient::nextMessage()
{
    if (dropped_)
        return std::nullopt;
    if (queued_.empty()) {
        // What was left unread comes in through the event loop, so other clients get their turn.
        if (!readScheduled_ && socket_->bytesAvailable() > 0) {
            readScheduled_ = true;
            QMetaObject::invokeMethod(
                this,
                [this] {
                    readScheduled_ = false;
                    readArrived();
                },
                Qt::QueuedConnection);
        }
        return std::nullopt;
    }
    scpi::MessageEvent event = std::move(queued_.front());
    queued_.pop_front();
    queuedBytes_ -= event.text.size() + 1;
    return event;
}

bool RemoteClient::send(std::string_view text)
{
    if (dropped_)
        return false;
    if (!text.empty())
        socket_->write(text.data(), static_cast<qint64>(text.size()));
    if (socket_->bytesToWrite() > kMaxUnsentBytes) {
        socket_->abort();
        drop();
        return false;
    }
    return true;
}

void RemoteClient::drop()
{
    if (std::exchange(dropped_, true))
        return;
    emit gone(this);
}

} // namespace merolan
