#include "link/frame_sender.hpp"
#include "link/serial_link.hpp"
#include "tests/link/meter_line.hpp"

#include "core/reading/wire_protocol.hpp"

#include <span>

using namespace merolan;
using namespace merolan::testing;
using namespace std::chrono_literals;

namespace {

std::optional<DecodedReading> decode(const QByteArray &read)
{
    return decodeReadingFrame(
        std::span(reinterpret_cast<const std::uint8_t *>(read.constData()), static_cast<std::size_t>(read.size())));
}

QByteArray readAt(const QSignalSpy &spy, qsizetype i)
{
    return spy.at(i).at(0).toByteArray();
}

} // namespace

using SerialLinkLine = MeterLine;

TEST_F(SerialLinkLine, AReplyArrivesAsOneReadOfThreeBytes)
{
    MeterSettings settings;
    meter.setRawCode(0x4E12A5);
    ASSERT_TRUE(sendPoll(link, settings));
    ASSERT_TRUE(waitForCount(reads, 1));
    ASSERT_EQ(readAt(reads, 0), bytes({0x4E, 0x12, 0xA5}));
    const auto reading = decode(readAt(reads, 0));
    ASSERT_TRUE(reading);
    EXPECT_NEAR(reading->detectorVoltage, 1.52486, 5e-6);
    EXPECT_EQ(reading->trace, "4E:12:A5");
}

TEST_F(SerialLinkLine, AReplySplitByAnAdapterStaysWholeButALongPauseSplitsIt)
{
    MeterSettings settings;
    meter.setRawCode(0x800000);
    meter.setFault(MeterSimulator::Fault::SplitReply);
    // An adapter's latency timer parts a reply by a few milliseconds.
    meter.setSplitPause(10ms);
    ASSERT_TRUE(sendPoll(link, settings));
    ASSERT_TRUE(waitForCount(reads, 1));
    EXPECT_EQ(readAt(reads, 0), bytes({0x80, 0x00, 0x00}));

    // Far longer than the quiet time, so even a slow event loop sees the pause.
    meter.setSplitPause(300ms);
    ASSERT_TRUE(sendPoll(link, settings));
    ASSERT_TRUE(waitForCount(reads, 3));
    EXPECT_EQ(readAt(reads, 1).size(), 2);
    EXPECT_EQ(readAt(reads, 2).size(), 1);
    EXPECT_FALSE(decode(readAt(reads, 1)));
    EXPECT_FALSE(decode(readAt(reads, 2)));
}

TEST_F(SerialLinkLine, AStrayByteSpoilsOnlyItsOwnRead)
{
    MeterSettings settings;
    meter.setRawCode(0x800000);
    meter.setFault(MeterSimulator::Fault::ExtraByte);
    ASSERT_TRUE(sendPoll(link, settings));
    ASSERT_TRUE(waitForCount(reads, 1));
    EXPECT_EQ(readAt(reads, 0).size(), 4);
    EXPECT_FALSE(decode(readAt(reads, 0)));

    meter.setFault(MeterSimulator::Fault::None);
    ASSERT_TRUE(sendPoll(link, settings));
    ASSERT_TRUE(waitForCount(reads, 2));
    EXPECT_EQ(readAt(reads, 1), bytes({0x80, 0x00, 0x00}));
}

TEST_F(SerialLinkLine, NothingIsWrittenWhileClosedAndReopeningWorks)
{
    MeterSettings settings;
    link.close();
    EXPECT_FALSE(link.isOpen());
    EXPECT_FALSE(sendPoll(link, settings));
    EXPECT_FALSE(sendPanelPwm(link, settings, 512));

    ASSERT_FALSE(link.open(meter.devicePath(), "Com 2"));
    EXPECT_EQ(link.portName(), "Com 2");
    settings.highRefPwm = 1023;
    ASSERT_TRUE(sendScalePosition(link, settings, 5));
    // The first frame the meter ever sees is the one sent after reopening.
    EXPECT_EQ(nextFrame(), bytes({0x00, 0x00, 0x80}));
    EXPECT_EQ(frames.count(), 1);
}

TEST_F(SerialLinkLine, APollSentJustBeforeClosingGoesOutAndItsLateAnswerIsNotTakenForTheNext)
{
    MeterSettings settings;
    QSignalSpy replies(&meter, &MeterSimulator::replySent);
    meter.setRawCode(0x4E12A5);
    ASSERT_TRUE(sendPoll(link, settings));
    link.close();
    ASSERT_TRUE(waitForCount(replies, 1)); // the poll left before the port closed

    meter.setRawCode(0x800000);
    ASSERT_FALSE(link.open(meter.devicePath(), "Com 1"));
    ASSERT_TRUE(sendPoll(link, settings));
    ASSERT_TRUE(waitForCount(reads, 1));
    EXPECT_EQ(readAt(reads, 0), bytes({0x80, 0x00, 0x00}));
}

TEST_F(SerialLinkLine, OpeningAnotherPortReleasesTheFirst)
{
    MeterSimulator other;
    QString error;
    ASSERT_TRUE(other.openPseudoTerminal(&error)) << error.toStdString();
    ASSERT_FALSE(link.open(other.devicePath(), "Com 3"));
    EXPECT_EQ(link.portName(), "Com 3");
    SerialLink second;
    EXPECT_FALSE(second.open(meter.devicePath(), "Com 1")); // no longer held by the first link
}

TEST_F(SerialLinkLine, APortThatCannotBeOpenedIsNamedWithTheReason)
{
    struct Case {
        int port;
        QString device;
        QStringList words;
    };
    const QString missing = QStringLiteral("/dev/merolan-no-such-port");
    const Case cases[] = {
        {4, missing, {"Com 4", missing, "no such device"}},
        {1, meter.devicePath(), {"Com 1", meter.devicePath(), "in use"}},
        {7, QString(), {"Com 7", "no device"}},
    };
    for (const Case &c : cases) {
        SerialLink other;
        const auto failure = other.open(c.device, QStringLiteral("Com %1").arg(c.port));
        ASSERT_TRUE(failure) << c.port;
        for (const QString &word : c.words)
            EXPECT_TRUE(failure->contains(word)) << failure->toStdString() << " lacks " << word.toStdString();
        EXPECT_FALSE(other.isOpen());
        EXPECT_FALSE(other.write({0, 0, 0}));
    }

    // Root never meets it, so the advice for a device the user may not open is checked directly.
    const QString advice = openFailureReason(QSerialPort::PermissionError, missing, QString());
    EXPECT_TRUE(advice.contains("\"dialout\"") && advice.contains("log out")) << advice.toStdString();
}

TEST_F(SerialLinkLine, AVanishedDeviceClosesThePortOnceAndCanBeChosenAgain)
{
    QSignalSpy lost(&link, &SerialLink::portLost);
    const QString device = meter.devicePath();
    meter.close(); // the pseudo-terminal's far end goes away, as a pulled adapter does

    ASSERT_TRUE(waitForCount(lost, 1));
    const QString message = lost.at(0).at(0).toString();
    EXPECT_TRUE(message.contains("Com 1")) << message.toStdString();
    EXPECT_TRUE(message.contains(device)) << message.toStdString();
    EXPECT_FALSE(link.isOpen());
    MeterSettings settings;
    EXPECT_FALSE(sendPoll(link, settings));
    EXPECT_FALSE(lost.wait(200));

    QString error;
    ASSERT_TRUE(meter.openPseudoTerminal(&error)) << error.toStdString();
    ASSERT_FALSE(link.open(meter.devicePath(), "Com 1"));
    meter.setRawCode(0x123456);
    ASSERT_TRUE(sendPoll(link, settings));
    ASSERT_TRUE(waitForCount(reads, 1));
    EXPECT_EQ(readAt(reads, 0), bytes({0x12, 0x34, 0x56}));
}
