#include "remote/remote_server.hpp"

#include "tests/link/meter_line.hpp"

#include <QTcpSocket>
#include <QTest>

#include <memory>
#include <vector>

using namespace merolan;
using namespace merolan::testing;

namespace {

// The server on a free loopback port over a session open on the simulated meter.
class RemoteServerLine : public SimulatedMeter
{
protected:
    void SetUp() override
    {
        SimulatedMeter::SetUp();
        session.openDevice(meter.devicePath());
        ASSERT_TRUE(session.isPortOpen());
        server.setTimeout(std::chrono::milliseconds(300));
        ASSERT_FALSE(server.listen(QHostAddress::LocalHost, 0));
    }

    std::unique_ptr<QTcpSocket> connectClient()
    {
        auto socket = std::make_unique<QTcpSocket>();
        socket->connectToHost(QHostAddress::LocalHost, server.port());
        EXPECT_TRUE(socket->waitForConnected(kTimeoutMs));
        return socket;
    }

    // The next answer line, without its LF; empty when none came in time.
    static QByteArray nextLine(QTcpSocket &socket)
    {
        if (!QTest::qWaitFor([&] { return socket.canReadLine(); }, kTimeoutMs))
            return {};
        return socket.readLine().trimmed();
    }

    static QByteArray query(QTcpSocket &socket, const QByteArray &message)
    {
        socket.write(message + '\n');
        return nextLine(socket);
    }

    Instrument instrument{setupFromSettings(factorySettings(), '.'), Instrument::Control::ClientsMayChange};
    MeterSession session{instrument};
    // Below a file, so no table is ever found there.
    RemoteServer server{instrument, session, "/dev/null/tables"};
};

} // namespace

TEST_F(RemoteServerLine, ClientsShareTheMeterWithOnePollForEachFreshReading)
{
    meter.setLevelDbm(-30);
    auto first = connectClient();
    auto second = connectClient();
    first->write("MEAS?\n");
    second->write("MEAS?\n");
    EXPECT_EQ(nextLine(*first), "-3.000000E+01");
    EXPECT_EQ(nextLine(*second), "-3.000000E+01");
    // Each query got a poll sent after it arrived, and no more: poll, update frame, for each.
    qsizetype polls = 0;
    for (const QList<QVariant> &frame : frames)
        polls += (static_cast<quint8>(frame.at(0).toByteArray().at(0)) & 0x80) != 0;
    EXPECT_EQ(polls, 2);
    // A trigger polls once; FETCh? takes that reading.
    first->write("INIT\n");
    EXPECT_EQ(query(*first, "FETC?"), "-3.000000E+01");

    // One client more than the server takes is closed at once; the others go on.
    std::vector<std::unique_ptr<QTcpSocket>> more;
    for (int i = 2; i < RemoteServer::kMaxClients; ++i)
        more.push_back(connectClient());
    auto refused = connectClient();
    EXPECT_TRUE(QTest::qWaitFor([&] { return refused->state() == QAbstractSocket::UnconnectedState; }, kTimeoutMs));
    EXPECT_EQ(server.clientCount(), RemoteServer::kMaxClients);
    EXPECT_TRUE(query(*first, "*IDN?").startsWith("merolan,"));
}

TEST_F(RemoteServerLine, HostileBytesGetAnErrorAndTheConnectionStaysUsable)
{
    auto client = connectClient();
    meter.setLevelDbm(-30);
    const struct {
        QByteArray bytes;
        QByteArray answer; // what the message itself answers first, if anything
        const char *error;
    } cases[] = {
        {QByteArray(5000, 'A') + '\n', {}, "-363,\"Input buffer overrun; a message is at most 4096 bytes\""},
        {QByteArray("\x00\xff\xfe MEAS?\r\n", 11), {}, "-102,\"Syntax error\""},
        // The units before the mistake run, as the standard asks.
        {"MEAS?;;;;*IDN\n", "-3.000000E+01", "-102,\"Syntax error\""},
    };
    for (const auto &c : cases) {
        client->write(c.bytes);
        if (!c.answer.isEmpty())
            EXPECT_EQ(nextLine(*client), c.answer);
        EXPECT_EQ(query(*client, "SYST:ERR?"), c.error) << c.bytes.left(20).toHex().toStdString();
        EXPECT_TRUE(query(*client, "*IDN?").startsWith("merolan,"));
    }
}

// A client that asks and never reads is dropped before its answers fill the memory.
TEST_F(RemoteServerLine, AClientThatNeverReadsItsAnswersIsDropped)
{
    auto greedy = connectClient();
    greedy->setReadBufferSize(4096); // Qt would otherwise read for it, without end
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.clientCount() == 1; }, kTimeoutMs));
    QByteArray queries;
    for (int i = 0; i < 400'000; ++i)
        queries += "*IDN?\n";
    greedy->write(queries);
    EXPECT_TRUE(QTest::qWaitFor([&] { return server.clientCount() == 0; }, 30'000));
}

TEST_F(RemoteServerLine, ASilentOrVanishedMeterAnswersNotANumberAndSaysWhy)
{
    auto client = connectClient();
    meter.setFault(MeterSimulator::Fault::Silent);
    EXPECT_EQ(query(*client, "MEAS?"), "9.910000E+37");
    EXPECT_EQ(query(*client, "SYST:ERR?"), "-241,\"Hardware missing; the meter did not answer within 300 ms\"");

    meter.close();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !session.isPortOpen(); }, kTimeoutMs));
    EXPECT_EQ(query(*client, "MEAS?;*IDN?").left(13), "9.910000E+37;");
    EXPECT_EQ(query(*client, "SYST:ERR?"), "-241,\"Hardware missing; no port is open\"");
}

// Continuous polling is the clients' to start and stop, and a *RST stops it; a query while the
// session polls takes its next reading.
TEST_F(RemoteServerLine, ContinuousPollingFollowsTheClients)
{
    server.setTimeout(std::chrono::milliseconds(kTimeoutMs)); // the next reading is a poll interval away
    meter.setLevelDbm(-30);
    auto client = connectClient();
    EXPECT_EQ(query(*client, "INIT:CONT ON;INIT:CONT?"), "1");
    EXPECT_TRUE(session.isMeasuring());
    EXPECT_EQ(query(*client, "MEAS?"), "-3.000000E+01");
    EXPECT_EQ(query(*client, "INIT:CONT OFF;INIT:CONT?"), "0");
    EXPECT_FALSE(session.isMeasuring());
    EXPECT_EQ(query(*client, "INIT:CONT ON;*RST;INIT:CONT?"), "0");
    EXPECT_FALSE(session.isMeasuring());
}

// A client may leave while its query waits, before the reading comes or before the meter is given
// up on; the server forgets it, and the next client's query polls again and gets its reading.
TEST_F(RemoteServerLine, AClientThatLeavesWhileItsQueryWaitsLeavesNothingBehind)
{
    meter.setLevelDbm(-30);
    for (const MeterSimulator::Fault fault : {MeterSimulator::Fault::None, MeterSimulator::Fault::Silent}) {
        meter.setFault(fault);
        auto leaving = connectClient();
        const qsizetype framesBefore = frames.count();
        leaving->write("MEAS?\n");
        EXPECT_TRUE(QTest::qWaitFor([&] { return frames.count() > framesBefore; }, kTimeoutMs)); // the poll is out
        leaving->abort();
        EXPECT_TRUE(QTest::qWaitFor([&] { return server.clientCount() == 0; }, kTimeoutMs));
        QTest::qWait(400); // past the time-out of the query that left
    }
    meter.setFault(MeterSimulator::Fault::None);
    auto staying = connectClient();
    EXPECT_EQ(query(*staying, "MEAS?"), "-3.000000E+01");
    EXPECT_EQ(query(*staying, "SYST:ERR?"), "0,\"No error\"");
}
