#include "link/reading_recorder.hpp"

#include "tests/link/meter_line.hpp"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

using namespace merolan;
using namespace merolan::testing;

namespace {

// A session measuring the simulated meter in turbo, with a recorder listening.
class RecorderLine : public SimulatedMeter
{
protected:
    void SetUp() override
    {
        SimulatedMeter::SetUp();
        instrument.change().settings = factorySettings();
        session.openDevice(meter.devicePath(), "Com 1");
        session.setTurbo(true);
        meter.setLevelDbm(-30);
    }

    QString path(const char *name) const { return dir.filePath(QString::fromLatin1(name)); }

    static QStringList linesOf(const QString &file)
    {
        QFile f(file);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return QString::fromUtf8(f.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    }

    QTemporaryDir dir;
    Instrument instrument;
    MeterSession session{instrument};
    ReadingRecorder recorder{instrument, session};
    QSignalSpy handled{&session, &MeterSession::readingHandled};
    QSignalSpy failures{&recorder, &ReadingRecorder::recordingFailed};
};

} // namespace

TEST_F(RecorderLine, LogsEveryReadingWithTheLevelOnTheReadout)
{
    session.start();
    ASSERT_FALSE(recorder.startRecording(path("run.csv"), false));
    ASSERT_TRUE(waitForCount(handled, 3));
    recorder.stopRecording();
    ASSERT_TRUE(waitForCount(handled, 4)); // not logged: recording has stopped

    const QStringList lines = linesOf(path("run.csv"));
    const qsizetype header = lines.indexOf(
        QStringLiteral("time_utc,elapsed_s,voltage_v,level_dbm,relative_db,power_w,rms_v,range,attenuator_db,lamp,note,"
                       "average_count,frequency_hz,correction_db"));
    ASSERT_GT(header, 0);
    for (qsizetype i = 0; i < header; ++i)
        EXPECT_TRUE(lines[i].startsWith(QStringLiteral("# "))) << lines[i].toStdString();
    EXPECT_TRUE(lines.join(u'\n').contains(QStringLiteral("Com 1")));
    ASSERT_EQ(lines.size() - header - 1, 3);
    for (qsizetype row = 0; row < 3; ++row) {
        const QStringList fields = lines[header + 1 + row].split(u',');
        ASSERT_EQ(fields.size(), 14);
        EXPECT_EQ(handled.at(row).at(0).value<ReadingOutcome>().dbmText, "-30 dBm");
        EXPECT_NEAR(fields[3].toDouble(), -30.0, 0.005) << fields[3].toStdString();
        EXPECT_EQ(fields[7], QStringLiteral("low"));
    }
    EXPECT_EQ(recorder.history().size(), 4u);
    EXPECT_EQ(recorder.statisticsPeriod().statistics().in({}).count, 4u); // the trend's period counts them too
    EXPECT_EQ(recorder.recordedRows(), 3);
    EXPECT_EQ(failures.count(), 0);
}

TEST_F(RecorderLine, TheLogReadsOnItsOwnThroughAPauseInMeasuring)
{
    ASSERT_FALSE(recorder.startRecording(path("pause.csv"), false));
    session.start();
    ASSERT_TRUE(waitForCount(handled, 2));
    session.stop();
    session.stop(); // told once
    session.start();
    ASSERT_TRUE(waitForCount(handled, 4));
    session.stop();
    recorder.stopRecording();

    const QStringList lines = linesOf(path("pause.csv"));
    const QRegularExpression started(
        QStringLiteral("^# started: \\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d[+-]\\d\\d:\\d\\d$"));
    EXPECT_EQ(lines.filter(started).size(), 1) << lines.join(u'\n').toStdString();
    const qsizetype header = lines.indexOf(
        QStringLiteral("time_utc,elapsed_s,voltage_v,level_dbm,relative_db,power_w,rms_v,range,attenuator_db,lamp,note,"
                       "average_count,frequency_hz,correction_db"));
    ASSERT_GT(header, 0);
    const QStringList rows = lines.mid(header + 1);
    const auto noteOf = [](const QString &row) { return row.section(u',', 10, 10); };
    QStringList notes;
    double elapsed = 0;
    for (const QString &row : rows) {
        const QStringList fields = row.split(u',');
        ASSERT_EQ(fields.size(), 14) << row.toStdString();
        // Counted from the start of the recording, never from the latest start of measuring.
        EXPECT_GE(fields[1].toDouble(), elapsed) << row.toStdString();
        elapsed = fields[1].toDouble();
        const bool reading = !fields[2].isEmpty();
        if (reading) { // to the converter's step
            EXPECT_EQ(fields[2].section(u'.', 1).size(), 7) << row.toStdString();
        }
        notes.append(reading ? QStringLiteral("reading") : noteOf(row));
    }
    EXPECT_EQ(notes, (QStringList{"measuring started", "reading", "reading", "measuring stopped", "measuring started",
                                  "reading", "reading", "measuring stopped"}));
    EXPECT_EQ(rows[3], rows[3].section(u',', 0, 1) + QStringLiteral(",,,,,,,,,measuring stopped,,,"));
}

TEST_F(RecorderLine, NeverReplacesAFileUnasked)
{
    QFile existing(path("old.csv"));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.write("keep me");
    existing.close();

    const std::optional<QString> refused = recorder.startRecording(path("old.csv"), false);
    ASSERT_TRUE(refused);
    EXPECT_TRUE(refused->contains(QStringLiteral("exists already")));
    EXPECT_FALSE(recorder.isRecording());
    EXPECT_EQ(linesOf(path("old.csv")), QStringList{QStringLiteral("keep me")});

    EXPECT_FALSE(recorder.startRecording(path("old.csv"), true));
    recorder.stopRecording(); // a log without rows still describes its run
    EXPECT_TRUE(linesOf(path("old.csv")).constFirst().startsWith(QStringLiteral("# ")));
}

TEST_F(RecorderLine, AFailedWriteStopsRecordingOnceAndMeasuringGoesOn)
{
    struct Case {
        const char *what;
        QString file;
        const char *says;
        bool rowsKept;
    };
    const Case cases[] = {
        {"full disk", QStringLiteral("/dev/full"), "/dev/full has stopped: no space is left on the disk", false},
        {"deleted file", path("gone.csv"), "gone.csv has stopped: the file was deleted", false},
    };
    session.start();
    for (const Case &c : cases) {
        failures.clear();
        ASSERT_FALSE(recorder.startRecording(c.file, true)) << c.what;
        const qsizetype seen = handled.count();
        ASSERT_TRUE(waitForCount(handled, seen + 1)) << c.what;
        if (c.file.endsWith(QStringLiteral("gone.csv"))) {
            ASSERT_TRUE(QFile::remove(c.file));
        }
        ASSERT_TRUE(waitForCount(handled, seen + 4)) << c.what;
        ASSERT_EQ(failures.count(), 1) << c.what;
        const QString message = failures.at(0).at(0).toString();
        EXPECT_TRUE(message.contains(QString::fromLatin1(c.says))) << message.toStdString();
        EXPECT_EQ(message.contains(QStringLiteral("are in the file")), c.rowsKept) << message.toStdString();
        EXPECT_FALSE(recorder.isRecording()) << c.what;
        EXPECT_TRUE(session.isMeasuring()) << c.what;
    }
}
