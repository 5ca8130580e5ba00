#include "tools/meter_sim/meter_simulator.hpp"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTest>
#include <QTextStream>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using merolan::MeterSimulator;
using namespace std::chrono_literals;

namespace {

constexpr int kTimeoutMs = 5000;

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray result;
    for (int v : values)
        result.append(static_cast<char>(v));
    return result;
}

// Runs the event loop until the condition holds; both ends of the line live in this thread.
bool waitFor(const std::function<bool()> &condition, int timeoutMs = kTimeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QTest::qWait(5);
    }
    return true;
}

std::unique_ptr<QSerialPort> openClient(const QString &path)
{
    auto port = std::make_unique<QSerialPort>(path);
    port->setBaudRate(QSerialPort::Baud9600);
    port->setDataBits(QSerialPort::Data8);
    port->setParity(QSerialPort::NoParity);
    port->setStopBits(QSerialPort::OneStop);
    port->setFlowControl(QSerialPort::NoFlowControl);
    if (!port->open(QIODevice::ReadWrite))
        return nullptr;
    return port;
}

class MeterSimulatorLine : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QString error;
        ASSERT_TRUE(simulator.openPseudoTerminal(&error)) << error.toStdString();
        ASSERT_TRUE(simulator.devicePath().startsWith(QLatin1String("/dev/pts/")));
        client = openClient(simulator.devicePath());
        ASSERT_NE(client, nullptr);
        QObject::connect(client.get(), &QSerialPort::readyRead, [this] { received += client->readAll(); });
    }

    void send(const QByteArray &frame) { ASSERT_EQ(client->write(frame), frame.size()); }

    // Waits until at least `count` bytes have come back.
    bool receive(qsizetype count)
    {
        return waitFor([&] { return received.size() >= count; });
    }

    MeterSimulator simulator;
    std::unique_ptr<QSerialPort> client;
    QByteArray received;
};

} // namespace

TEST(MeterSimulatorLevels, FactoryLowCalibrationGivesTheCode)
{
    const std::pair<double, quint32> cases[] = {
        {-10.0, 0x4E12A5}, // 1.52486 V
        {-30.0, 0x39FADB}, // 1.13242 V
        {-50.0, 0x25E311}, // 0.73998 V
        {-200.0, 0},       // below 0 V
        {250.0, 0xFFFFFF}, // above 5 V
    };
    for (auto [dbm, code] : cases)
        EXPECT_EQ(MeterSimulator::codeForDbm(dbm), code) << dbm;
}

TEST(MeterSimulatorLevels, SweepRunsThereAndBack)
{
    const std::pair<double, double> cases[] = {
        {0.0, -60.0}, {2.5, -35.0}, {5.0, -10.0}, {7.5, -35.0}, {10.0, -60.0}, {12.5, -35.0},
    };
    for (auto [seconds, dbm] : cases)
        EXPECT_DOUBLE_EQ(MeterSimulator::sweepLevelDbm(-60.0, -10.0, 10.0, seconds), dbm) << seconds;
}

TEST(MeterSimulatorLevels, NoiseStaysWithinItsBandAndRepeatsWithTheSeed)
{
    MeterSimulator first;
    MeterSimulator second;
    for (MeterSimulator *simulator : {&first, &second}) {
        simulator->setLevelDbm(-30.0);
        simulator->setNoise(1.0);
        simulator->setNoiseSeed(7);
    }
    const quint32 low = MeterSimulator::codeForDbm(-31.0);
    const quint32 high = MeterSimulator::codeForDbm(-29.0);
    bool varies = false;
    quint32 previous = first.nextCode();
    EXPECT_EQ(second.nextCode(), previous);
    for (int i = 0; i < 200; ++i) {
        const quint32 code = first.nextCode();
        EXPECT_EQ(second.nextCode(), code);
        EXPECT_GE(code, low);
        EXPECT_LE(code, high);
        varies = varies || code != previous;
        previous = code;
    }
    EXPECT_TRUE(varies);
}

TEST_F(MeterSimulatorLine, PollsAreAnsweredWithTheReadingMostSignificantFirst)
{
    simulator.setRawCode(0x4E12A5);
    send(bytes({128, 0, 0}));
    ASSERT_TRUE(receive(3));
    EXPECT_EQ(received, bytes({0x4E, 0x12, 0xA5}));

    // With the external panel meter on the poll flag comes with bit 6; the PWM field is free.
    simulator.setLevelDbm(-30.0);
    send(bytes({192, 3, 255}));
    ASSERT_TRUE(receive(6));
    EXPECT_EQ(received.mid(3), bytes({0x39, 0xFA, 0xDB}));

    // Every byte value must pass the line unchanged, including CR, LF and XON/XOFF.
    const std::pair<quint32, QByteArray> awkward[] = {
        {0x0D0A11, bytes({0x0D, 0x0A, 0x11})},
        {0x130000, bytes({0x13, 0x00, 0x00})},
        {0xFFFFFF, bytes({0xFF, 0xFF, 0xFF})},
    };
    for (const auto &[code, frame] : awkward) {
        received.clear();
        simulator.setRawCode(code);
        send(bytes({128, 0, 0}));
        ASSERT_TRUE(receive(3));
        EXPECT_EQ(received, frame) << code;
    }
}

TEST_F(MeterSimulatorLine, UpdateFramesAreTakenButNotAnswered)
{
    QSignalSpy frames(&simulator, &MeterSimulator::frameReceived);
    QSignalSpy replies(&simulator, &MeterSimulator::replySent);
    simulator.setRawCode(0x123456);
    send(bytes({0, 0, 128}) + bytes({64, 3, 255}) + bytes({128, 0, 0}));
    ASSERT_TRUE(waitFor([&] { return frames.size() == 3 && simulator.repliesDue() == 0; }));
    EXPECT_EQ(replies.size(), 1);
    ASSERT_TRUE(receive(3));
    EXPECT_EQ(received, bytes({0x12, 0x34, 0x56}));
    EXPECT_EQ(frames[0][0].toByteArray(), bytes({0, 0, 128}));
    EXPECT_EQ(frames[1][0].toByteArray(), bytes({64, 3, 255}));
}

TEST_F(MeterSimulatorLine, MisalignedBytesAreDroppedUntilFramesLineUpAgain)
{
    struct Case {
        const char *what;
        QByteArray input;
        QList<QByteArray> frames;
    };
    const Case cases[] = {
        {"stray byte before a poll", bytes({0x05, 128, 0, 0}), {bytes({128, 0, 0})}},
        {"low PWM field above 3", bytes({0, 0x80, 0, 0}), {bytes({128, 0, 0})}},
        {"byte between two frames", bytes({0, 1, 2, 0x41, 192, 1, 200}), {bytes({0, 1, 2}), bytes({192, 1, 200})}},
    };
    QString logText;
    QTextStream log(&logText);
    simulator.setLog(&log);
    for (const Case &c : cases) {
        QSignalSpy frames(&simulator, &MeterSimulator::frameReceived);
        received.clear();
        send(c.input);
        ASSERT_TRUE(waitFor([&] { return frames.size() == c.frames.size(); })) << c.what;
        ASSERT_TRUE(receive(3)) << c.what;
        for (qsizetype i = 0; i < c.frames.size(); ++i)
            EXPECT_EQ(frames[i][0].toByteArray(), c.frames[i]) << c.what;
    }
    const QStringList lines = logText.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    const QRegularExpression shape(QStringLiteral("^\\d+ (dropped [0-9A-F]{2}|([0-9A-F]{2} ){3}(poll|update))$"));
    ASSERT_EQ(lines.size(), 7) << logText.toStdString();
    for (const QString &line : lines)
        EXPECT_TRUE(shape.match(line).hasMatch()) << line.toStdString();
    EXPECT_TRUE(lines[0].endsWith(QLatin1String(" dropped 05")));
    EXPECT_TRUE(lines[1].endsWith(QLatin1String(" 80 00 00 poll")));
    EXPECT_TRUE(lines[5].endsWith(QLatin1String(" dropped 41")));
}

TEST_F(MeterSimulatorLine, SilentMeterTakesPollsWithoutAnswering)
{
    QSignalSpy frames(&simulator, &MeterSimulator::frameReceived);
    simulator.setRawCode(0xABCDEF);
    simulator.setFault(MeterSimulator::Fault::Silent);
    send(bytes({128, 0, 0}));
    ASSERT_TRUE(frames.wait(kTimeoutMs));
    EXPECT_EQ(simulator.repliesDue(), 0);

    // Switching the fault off afterwards does not bring the lost answer back.
    simulator.setFault(MeterSimulator::Fault::None);
    simulator.setRawCode(0x010203);
    send(bytes({128, 0, 0}));
    ASSERT_TRUE(receive(3));
    EXPECT_EQ(received, bytes({1, 2, 3}));
}

TEST_F(MeterSimulatorLine, SplitReplyHoldsBackTheLastByte)
{
    QSignalSpy replies(&simulator, &MeterSimulator::replySent);
    QElapsedTimer clock;
    QList<qint64> sentAt;
    QObject::connect(&simulator, &MeterSimulator::replySent, [&] { sentAt.append(clock.elapsed()); });
    simulator.setRawCode(0x4E12A5);
    simulator.setFault(MeterSimulator::Fault::SplitReply);
    clock.start();
    send(bytes({128, 0, 0}));
    ASSERT_TRUE(receive(3));
    ASSERT_EQ(replies.size(), 2);
    EXPECT_EQ(replies[0][0].toByteArray(), bytes({0x4E, 0x12}));
    EXPECT_EQ(replies[1][0].toByteArray(), bytes({0xA5}));
    EXPECT_GE(sentAt[1] - sentAt[0], 49);
    EXPECT_EQ(received, bytes({0x4E, 0x12, 0xA5}));
}

TEST_F(MeterSimulatorLine, ExtraByteFollowsTheReadingInOneWrite)
{
    QSignalSpy replies(&simulator, &MeterSimulator::replySent);
    simulator.setRawCode(0x4E12A5);
    simulator.setFault(MeterSimulator::Fault::ExtraByte);
    send(bytes({128, 0, 0}));
    ASSERT_TRUE(receive(4));
    ASSERT_EQ(replies.size(), 1);
    EXPECT_EQ(replies[0][0].toByteArray().size(), 4);
    EXPECT_EQ(received.left(3), bytes({0x4E, 0x12, 0xA5}));

    // Nothing beyond the fourth byte: the next clean reply follows directly.
    simulator.setFault(MeterSimulator::Fault::None);
    simulator.setRawCode(0x010203);
    send(bytes({128, 0, 0}));
    ASSERT_TRUE(receive(7));
    EXPECT_EQ(received.mid(4), bytes({1, 2, 3}));
}

TEST_F(MeterSimulatorLine, GarbageArrivesAfterTheReply)
{
    QSignalSpy garbage(&simulator, &MeterSimulator::garbageSent);
    simulator.setRawCode(0x4E12A5);
    simulator.setFault(MeterSimulator::Fault::GarbageBetween);
    send(bytes({128, 0, 0}));
    ASSERT_TRUE(garbage.wait(kTimeoutMs));
    const QByteArray noise = garbage[0][0].toByteArray();
    EXPECT_GE(noise.size(), 1);
    EXPECT_LE(noise.size(), 4);
    ASSERT_TRUE(receive(3 + noise.size()));
    EXPECT_EQ(received, bytes({0x4E, 0x12, 0xA5}) + noise);
}

TEST_F(MeterSimulatorLine, ClientMayCloseAndReopenTheLine)
{
    simulator.setRawCode(0x112233);
    client->close();
    client = openClient(simulator.devicePath());
    ASSERT_NE(client, nullptr);
    QObject::connect(client.get(), &QSerialPort::readyRead, [this] { received += client->readAll(); });
    send(bytes({128, 0, 0}));
    ASSERT_TRUE(receive(3));
    EXPECT_EQ(received, bytes({0x11, 0x22, 0x33}));
}

TEST(MeterSimulatorProgram, PrintsItsDeviceAndAnswersPolls)
{
    const QString program =
        QCoreApplication::applicationDirPath() + QStringLiteral("/../tools/meter_sim/merolan-meter-sim");
    if (!QFileInfo(program).isExecutable())
        GTEST_SKIP() << "simulator program not built: " << program.toStdString();

    QProcess process;
    process.start(program, {QStringLiteral("--level"), QStringLiteral("-10")});
    ASSERT_TRUE(process.waitForStarted(kTimeoutMs));
    ASSERT_TRUE(waitFor([&] { return process.canReadLine(); }));
    const QString line = QString::fromLocal8Bit(process.readLine()).trimmed();
    ASSERT_TRUE(line.startsWith(QLatin1String("DEVICE /dev/pts/"))) << line.toStdString();

    auto client = openClient(line.mid(7));
    ASSERT_NE(client, nullptr);
    QByteArray received;
    QObject::connect(client.get(), &QSerialPort::readyRead, [&] { received += client->readAll(); });
    client->write(bytes({128, 0, 0}));
    ASSERT_TRUE(waitFor([&] { return received.size() >= 3; }));
    EXPECT_EQ(received, bytes({0x4E, 0x12, 0xA5}));

    client->close();
    process.terminate();
    ASSERT_TRUE(process.waitForFinished(kTimeoutMs));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0);
}
