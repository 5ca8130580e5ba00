#include "remote/remote_server.hpp"

#include "core/scpi/scpi_meter_commands.hpp"
#include "remote/remote_client.hpp"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <vector>

namespace merolan {

RemoteServer::RemoteServer(Instrument &instrument, MeterSession &session, std::filesystem::path tablesFolder,
                           QObject *parent)
    : QObject(parent), session_(session), shared_{instrument, std::move(tablesFolder)}, listener_(new QTcpServer(this)),
      deadlineTimer_(new QTimer(this))
{
    // Built now, so a malformed command row stops the program as it starts serving, not at
    // some client's first message.
    scpi::meterCommandTable();
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
        auto client = std::make_unique<RemoteClient>(socket, shared_);
        connect(client.get(), &RemoteClient::messagesArrived, this, [this](RemoteClient *arrived) {
            if (!arrived->connection().waits())
                act(arrived, {});
        });
        connect(client.get(), &RemoteClient::gone, this, &RemoteServer::clientGone, Qt::QueuedConnection);
        clients_.push_back(std::move(client));
        emit clientCountChanged(clientCount());
    }
}

void RemoteServer::clientGone(RemoteClient *client)
{
    // Whatever the client still waited for ends with it; a reading that comes later finds no one.
    waiters_.remove_if([client](const Waiter &waiter) { return waiter.client == client; });
    std::erase_if(replies_, [client](const auto &queued) { return queued.first == client; });
    const auto it = std::find_if(clients_.begin(), clients_.end(),
                                 [client](const std::unique_ptr<RemoteClient> &held) { return held.get() == client; });
    if (it == clients_.end())
        return;
    it->release()->deleteLater();
    clients_.erase(it);
    armDeadline();
    emit clientCountChanged(clientCount());
}

void RemoteServer::act(RemoteClient *client, scpi::Reply reply)
{
    replies_.emplace_back(client, std::move(reply));
    if (std::exchange(acting_, true))
        return;
    while (!replies_.empty()) {
        auto [next, nextReply] = std::move(replies_.front());
        replies_.pop_front();
        carryOut(*next, std::move(nextReply));
    }
    acting_ = false;
}

void RemoteServer::carryOut(RemoteClient &client, scpi::Reply reply)
{
    for (;;) {
        if (!client.send(reply.text))
            return;
        if (reply.continuous)
            followContinuous(*reply.continuous);
        // Without a port, a FETCh? for this reading fails when its wait runs out.
        if (reply.triggersPoll)
            sendPoll();
        if (reply.wait != scpi::ReadingWait::None) {
            startWaiting(client, reply.wait);
            return;
        }
        std::optional<scpi::MessageEvent> event = client.nextMessage();
        if (!event)
            return;
        reply = event->kind == scpi::MessageEvent::Kind::Overrun ? client.connection().takeOverrun()
                                                                 : client.connection().takeMessage(event->text);
    }
}

void RemoteServer::startWaiting(RemoteClient &client, scpi::ReadingWait wait)
{
    if (!session_.isPortOpen()) {
        act(&client, client.connection().failWait("no port is open"));
        return;
    }
    const std::int64_t deadline = session_.nowUtcMs() + timeout_.count();
    if (session_.isMeasuring() || wait == scpi::ReadingWait::Triggered) {
        waiters_.push_back({&client, 0, deadline});
    } else {
        waiters_.push_back({&client, pollsSent_ + 1, deadline});
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
    // A poll unanswered for the whole time-out is lost, even when no query waited to see it go.
    const bool pollOnItsWay = pollOutstanding_ && session_.nowUtcMs() - pollSentMs_ < timeout_.count();
    if (pollOnItsWay || session_.isMeasuring())
        return true;
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
    for (RemoteClient *client : served)
        act(client, client->connection().answerWait(record));
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
    for (RemoteClient *client : late)
        act(client, client->connection().failWait(why));
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
    for (RemoteClient *client : failed)
        act(client, client->connection().failWait(why));
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

void RemoteServer::followContinuous(bool on)
{
    if (on == session_.isMeasuring())
        return;
    if (on)
        session_.start();
    else
        session_.stop();
}

} // namespace merolan
