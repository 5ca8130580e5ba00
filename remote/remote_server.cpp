#include "remote/remote_server.hpp"

#include "remote/remote_client.hpp"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <vector>

namespace merolan {

RemoteServer::RemoteServer(Instrument &instrument, MeterSession &session, QObject *parent)
    : QObject(parent), session_(session), shared_{instrument}, listener_(new QTcpServer(this)),
      deadlineTimer_(new QTimer(this))
{
    listener_->setMaxPendingConnections(kMaxClients);
    deadlineTimer_->setSingleShot(true);
    connect(listener_, &QTcpServer::newConnection, this, &RemoteServer::acceptClients);
    connect(deadlineTimer_, &QTimer::timeout, this, &RemoteServer::checkDeadlines);
    connect(&session_, &MeterSession::readingHandled, this,
            [this](const ReadingOutcome &, const ReadingRecord &record) { readingHandled(record); });
    connect(&session_, &MeterSession::portProblem, this, [this](MeterSession::PortProblem, const QString &message) {
        failWaiters(message.section(u'\n', 0, 0).toStdString());
    });
}

RemoteServer::~RemoteServer() = default;

std::optional<QString> RemoteServer::listen(const QHostAddress &address, quint16 port)
{
    if (listener_->listen(address, port))
        return std::nullopt;
    switch (listener_->serverError()) {
    case QAbstractSocket::AddressInUseError:
        return QStringLiteral("the port is in use by another program");
    case QAbstractSocket::SocketAddressNotAvailableError:
        return QStringLiteral("the address is not one of this computer's");
    case QAbstractSocket::SocketAccessError:
        return QStringLiteral("ports below 1024 need administrator rights");
    default:
        return listener_->errorString();
    }
}

quint16 RemoteServer::port() const
{
    return listener_->serverPort();
}

int RemoteServer::clientCount() const
{
    return static_cast<int>(clients_.size());
}

void RemoteServer::acceptClients()
{
    while (QTcpSocket *socket = listener_->nextPendingConnection()) {
        if (clientCount() >= kMaxClients) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        auto client = std::make_unique<RemoteClient>(socket, shared_, *this);
        connect(client.get(), &RemoteClient::gone, this, &RemoteServer::clientGone, Qt::QueuedConnection);
        clients_.push_back(std::move(client));
        emit clientCountChanged(clientCount());
    }
}

void RemoteServer::clientGone(RemoteClient *client)
{
    waiters_.remove_if([client](const Waiter &waiter) { return waiter.client == client; });
    const auto it = std::find_if(clients_.begin(), clients_.end(),
                                 [client](const std::unique_ptr<RemoteClient> &held) { return held.get() == client; });
    if (it == clients_.end())
        return;
    it->release()->deleteLater();
    clients_.erase(it);
    emit clientCountChanged(clientCount());
}

void RemoteServer::requestReading(RemoteClient *client)
{
    if (!session_.isPortOpen()) {
        client->connection().failWait("no port is open");
        return;
    }
    const std::int64_t deadline = session_.nowUtcMs() + timeout_.count();
    if (session_.isMeasuring() || !client->connection().waitsForNewPoll()) {
        waiters_.push_back({client, 0, deadline});
    } else {
        waiters_.push_back({client, pollsSent_ + 1, deadline});
        pollForWaiters();
    }
    armDeadline();
}

void RemoteServer::pollForWaiters()
{
    const bool wanted = std::any_of(waiters_.begin(), waiters_.end(),
                                    [this](const Waiter &waiter) { return waiter.neededPoll > pollsSent_; });
    if (wanted && !sendPoll())
        failWaiters("no port is open");
}

bool RemoteServer::sendPoll()
{
    if (pollOutstanding_ || session_.isMeasuring())
        return true; // a reading is on its way
    if (!session_.pollOnce())
        return false;
    ++pollsSent_;
    pollOutstanding_ = true;
    pollSentMs_ = session_.nowUtcMs();
    return true;
}

void RemoteServer::readingHandled(const ReadingRecord &record)
{
    for (const std::unique_ptr<RemoteClient> &client : clients_)
        client->connection().readingHandled(record);
    const std::uint64_t answered = std::exchange(pollOutstanding_, false) ? pollsSent_ : 0;
    std::vector<RemoteClient *> served;
    waiters_.remove_if([&](const Waiter &waiter) {
        const bool fresh = waiter.neededPoll == 0 || (answered != 0 && waiter.neededPoll <= answered);
        if (fresh)
            served.push_back(waiter.client);
        return fresh;
    });
    // Answering may start the client's next query, which may wait again.
    for (RemoteClient *client : served) {
        client->connection().answerWait(record);
        client->proceed();
    }
    pollForWaiters();
    armDeadline();
}

void RemoteServer::checkDeadlines()
{
    const std::int64_t now = session_.nowUtcMs();
    // A poll unanswered for the whole time-out is lost; the next query polls again.
    if (pollOutstanding_ && now - pollSentMs_ >= timeout_.count())
        pollOutstanding_ = false;
    std::vector<RemoteClient *> late;
    waiters_.remove_if([&](const Waiter &waiter) {
        if (waiter.deadlineMs > now)
            return false;
        late.push_back(waiter.client);
        return true;
    });
    const std::string why = "the meter did not answer within " + std::to_string(timeout_.count()) + " ms";
    for (RemoteClient *client : late) {
        client->connection().failWait(why);
        client->proceed();
    }
    pollForWaiters();
    armDeadline();
}

void RemoteServer::failWaiters(const std::string &why)
{
    std::vector<RemoteClient *> failed;
    for (const Waiter &waiter : waiters_)
        failed.push_back(waiter.client);
    waiters_.clear();
    pollOutstanding_ = false;
    for (RemoteClient *client : failed) {
        client->connection().failWait(why);
        client->proceed();
    }
    armDeadline();
}

void RemoteServer::armDeadline()
{
    if (waiters_.empty()) {
        deadlineTimer_->stop();
        return;
    }
    std::int64_t first = waiters_.front().deadlineMs;
    for (const Waiter &waiter : waiters_)
        first = std::min(first, waiter.deadlineMs);
    deadlineTimer_->start(static_cast<int>(std::clamp<std::int64_t>(first - session_.nowUtcMs(), 0, 60'000)));
}

void RemoteServer::triggerRequested()
{
    // Without a port, a FETCh? for this reading fails when its wait runs out.
    sendPoll();
}

void RemoteServer::continuousRequested(bool on)
{
    if (!shared_.instrument.clientsMayChange() || on == session_.isMeasuring())
        return;
    if (on)
        session_.start();
    else
        session_.stop();
}

} // namespace merolan
