#include "ui/recording_controls.hpp"

#include "support/scripted_dialogs.hpp"
#include "tests/link/meter_line.hpp"
#include "ui/widget_factory.hpp"

#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

using namespace merolan;
using namespace merolan::testing;

namespace {

// The front panel's recording controls on a session measuring the simulated meter in turbo.
class RecordingControlsTest : public SimulatedMeter
{
protected:
    void SetUp() override
    {
        SimulatedMeter::SetUp();
        context.instrument.change().settings = factorySettings();
        session.openDevice(meter.devicePath(), "Com 1");
        session.setTurbo(true);
        meter.setLevelDbm(-30);
        panel.setFont(sansFont(11)); // as in the front panel
    }

    ScriptedDialogs dialogs;
    AppContext context{Instrument(), {}, dialogs};
    MeterSession session{context.instrument};
    ReadingRecorder recorder{context.instrument, session};
    QWidget panel;
    RecordingControls controls{context, session, recorder, &panel};
    QSignalSpy handled{&session, &MeterSession::readingHandled};
    QTemporaryDir dir;

    QLabel *linkStatus() { return panel.findChild<QLabel *>(QStringLiteral("LinkStatus")); }
};

} // namespace

TEST_F(RecordingControlsTest, MeasuringGoesOnWhileTheFailureIsShown)
{
    qsizetype handledWhileShown = -1;
    dialogs.whileMessageShown = [&](const ScriptedDialogs::Message &) {
        const qsizetype before = handled.count();
        waitForCount(handled, before + 3);
        handledWhileShown = handled.count() - before;
    };
    dialogs.fileAnswers.push_back(QStringLiteral("/dev/full"));
    session.start();
    controls.recordClicked();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialogs.messages.empty(); }, kTimeoutMs));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_TRUE(dialogs.messages[0].text.contains(QStringLiteral("/dev/full")));
    EXPECT_GE(handledWhileShown, 3);
    EXPECT_TRUE(session.isMeasuring());
    EXPECT_FALSE(recorder.isRecording());
}

TEST_F(RecordingControlsTest, TheStatusLineCountsTheRecordingAndShortensALongNameInItsMiddle)
{
    const QString shortName = QStringLiteral("run.csv");
    const QString longName = QStringLiteral("bench-") + QString(120, u'x') + QStringLiteral("-end.csv");
    for (const QString &name : {shortName, longName}) {
        dialogs.fileAnswers.push_back(dir.filePath(name));
        controls.recordClicked();
        ASSERT_TRUE(recorder.isRecording()) << name.toStdString();
        session.start();
        ASSERT_TRUE(waitForCount(handled, handled.count() + 2));
        controls.showLinkStatus();
        const QString text = linkStatus()->text();
        EXPECT_TRUE(text.startsWith(QStringLiteral("Com 1 · "))) << text.toStdString();
        // "Recording run.csv · 0:00 · 2 rows", the count as the file has it.
        const QRegularExpression tail(QStringLiteral("Recording (.+) · \\d+:\\d\\d · (\\d+) rows?$"));
        const QRegularExpressionMatch match = tail.match(text);
        ASSERT_TRUE(match.hasMatch()) << text.toStdString();
        EXPECT_EQ(match.captured(2).toLongLong(), recorder.recordedRows());
        const QStringList lines = text.split(u'\n');
        EXPECT_LE(lines.size(), 2);
        for (const QString &line : lines)
            EXPECT_LE(QFontMetrics(linkStatus()->font()).horizontalAdvance(line), linkStatus()->contentsRect().width())
                << line.toStdString();
        const QString shown = match.captured(1);
        if (name == shortName) {
            EXPECT_EQ(shown, name);
        } else {
            EXPECT_TRUE(shown.startsWith(QStringLiteral("bench-")) && shown.endsWith(QStringLiteral("-end.csv")) &&
                        shown.contains(QChar(0x2026)))
                << shown.toStdString();
        }
        EXPECT_TRUE(linkStatus()->toolTip().contains(dir.filePath(name))); // the whole path, whatever fits
        controls.recordClicked();
        session.stop();
    }
    EXPECT_TRUE(dialogs.messages.empty());
}
