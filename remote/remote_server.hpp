#pragma once

#include "core/scpi/scpi_meter.hpp"
#include "link/meter_session.hpp"

#include <QHostAddress>
#include <QObject>
#include <QString>

#include <chrono>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <list>
#include <memory>
#include <optional>
#include <string>
#include <utility>

class QTcpServer;
class QTimer;

namespace merolan {

class RemoteClient;

// Serves the measuring session as a SCPI instrument on a raw TCP socket (the port test tools
// expect is 5025). Every client gets its own connection state; all share the one session, and
// the server alone asks it for readings, so no poll is sent twice or lost between clients. What
// a client's messages ask of the session comes back from its connection as a scpi::Reply, which
// the server carries out.
class RemoteServer : public QObject
{
    Q_OBJECT

public:
    static constexpr int kMaxClients = 8;
    static constexpr std::chrono::milliseconds kDefaultTimeout{2000};

    // Serves `instrument`, which the session measures with; whether clients may change its setup
    // is the instrument's to say. Clients choose correction tables by name among those kept in
    // `tablesFolder`.
    RemoteServer(Instrument &instrument, MeterSession &session, std::filesystem::path tablesFolder,
                 QObject *parent = nullptr);
    ~RemoteServer() override;

    // Listens on address:port (0 picks a free port); the cause in words when it cannot, without
    // a full stop, for the caller to put after the address.
    std::optional<QString> listen(const QHostAddress &address, quint16 port);
    quint16 port() const;
    int clientCount() const;
    // How long a query waits for the meter before it answers without a reading.
    void setTimeout(std::chrono::milliseconds timeout) { timeout_ = timeout; }

signals:
    void clientCountChanged(int count);

private:
    void acceptClients();
    void clientGone(RemoteClient *client);
    // Carries out `reply` for the client, then runs its next messages until one waits or none is
    // left. Carrying one out may bring others at once (a wait that cannot start, a poll refused);
    // they queue behind it rather than nest.
    void act(RemoteClient *client, scpi::Reply reply);
    void carryOut(RemoteClient &client, scpi::Reply reply);
    void startWaiting(RemoteClient &client, scpi::ReadingWait wait);
    // Sends a poll when a waiting query needs one and none is out.
    void pollForWaiters();
    // Sends a poll unless one is out or the session polls on its own; false without a port.
    bool sendPoll();
    void readingHandled(const ReadingRecord &record);
    void checkDeadlines();
    void failWaiters(const std::string &why);
    void armDeadline();
    void followContinuous(bool on);

    struct Waiter {
        RemoteClient *client;
        std::uint64_t neededPoll; // 0: any next reading (the session measures on its own)
        std::int64_t deadlineMs;
    };

    MeterSession &session_;
    scpi::MeterShared shared_;
    QTcpServer *listener_;
    QTimer *deadlineTimer_;
    std::list<std::unique_ptr<RemoteClient>> clients_;
    std::list<Waiter> waiters_;
    std::deque<std::pair<RemoteClient *, scpi::Reply>> replies_;
    bool acting_ = false;
    std::uint64_t pollsSent_ = 0;
    bool pollOutstanding_ = false;
    std::int64_t pollSentMs_ = 0;
    std::chrono::milliseconds timeout_ = kDefaultTimeout;
};

} // namespace merolan
