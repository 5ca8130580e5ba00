#pragma once

#include "core/scpi/scpi_lines.hpp"
#include "core/scpi/scpi_meter.hpp"

#include <QObject>

#include <cstdint>
#include <deque>
#include <optional>
#include <string_view>

class QTcpSocket;

namespace merolan {

// One client on the socket: its bytes cut into messages and held until the server runs them
// through the client's own connection state, and the answers written back. A client that sends
// faster than its messages run is held back by TCP itself; one that does not read its answers
// is dropped.
class RemoteClient : public QObject
{
    Q_OBJECT

public:
    // Answers that may wait unread before the client is dropped.
    static constexpr std::int64_t kMaxUnsentBytes = 1 << 20;

    RemoteClient(QTcpSocket *socket, scpi::MeterShared &shared);
    ~RemoteClient() override;

    scpi::MeterConnection &connection() { return connection_; }
    // The next message read ahead; none while none is whole.
    std::optional<scpi::MessageEvent> nextMessage();
    // Writes answer lines; false once the client is gone, which it also is when too many of its
    // answers wait unread.
    bool send(std::string_view text);

signals:
    // Whole messages wait to be run.
    void messagesArrived(merolan::RemoteClient *client);
    void gone(merolan::RemoteClient *client);

private:
    void readArrived();
    void drop();

    QTcpSocket *socket_;
    scpi::MessageSplitter splitter_;
    scpi::MeterConnection connection_;
    std::deque<scpi::MessageEvent> queued_;
    std::size_t queuedBytes_ = 0;
    bool readScheduled_ = false;
    bool dropped_ = false;
};

} // namespace merolan
