#pragma once

#include "core/scpi/scpi_lines.hpp"
#include "core/scpi/scpi_meter.hpp"

#include <QObject>

#include <deque>

class QTcpSocket;

namespace merolan {

class RemoteServer;

// One client on the socket: its bytes cut into messages, run one at a time through its own
// instrument state, and the answers written back. A client that sends faster than its messages
// run is held back by TCP itself; one that does not read its answers is dropped.
class RemoteClient : public QObject
{
    Q_OBJECT

public:
    RemoteClient(QTcpSocket *socket, scpi::MeterShared &shared, RemoteServer &server);
    ~RemoteClient() override;

    scpi::MeterConnection &connection() { return connection_; }
    // Runs the messages that wait, up to one that needs a reading, and sends what is answered.
    void proceed();

signals:
    void gone(merolan::RemoteClient *client);

private:
    void readArrived();
    void drop();

    QTcpSocket *socket_;
    RemoteServer &server_;
    scpi::MessageSplitter splitter_;
    scpi::MeterConnection connection_;
    std::deque<scpi::MessageEvent> queued_;
    std::size_t queuedBytes_ = 0;
    bool proceeding_ = false;
    bool dropped_ = false;
};

} // namespace merolan
