#pragma once

#include "core/instrument/instrument.hpp"
#include "core/logs/csv_log.hpp"
#include "core/history/reading_history.hpp"
#include "core/history/statistics_period.hpp"
#include "link/log_file.hpp"
#include "link/meter_session.hpp"

#include <QObject>
#include <QString>

#include <cstdint>
#include <optional>
#include <string>

namespace merolan {

// The local time's offset from UTC at that moment, east positive, for the "started" line.
int localUtcOffsetSeconds(std::int64_t utcMs);
// The description every log and export of readings begins with: the run measured with `setup`
// on `port` ("Com 1", or none) and `device`, started at `startUtcMs`.
LogHeader logHeaderAt(const InstrumentSetup &setup, std::string port, std::string device, std::int64_t startUtcMs);

// Keeps every reading of the session in the history the trend draws from, counts it into the
// trend's statistics period and, while recording, writes it to a CSV log. Each row goes to the
// disk as it comes, so a crash or a power cut costs at most the row being written. A log that
// cannot be written stops recording and says why once; measuring goes on.
class ReadingRecorder : public QObject
{
    Q_OBJECT

public:
    ReadingRecorder(const Instrument &instrument, MeterSession &session, QObject *parent = nullptr);
    ~ReadingRecorder() override;

    const ReadingHistory &history() const { return history_; }
    // The trend's statistics period over the same readings; the trend's Reset restarts it.
    StatisticsPeriod &statisticsPeriod() { return period_; }
    const StatisticsPeriod &statisticsPeriod() const { return period_; }
    // Keeps `record` in the history and the period as a reading of the session is kept, without
    // logging it.
    void keep(const ReadingRecord &record);

    // Logs every following reading into `path`. A file that exists is replaced only when
    // `replaceExisting`; otherwise, and when the file cannot be made, the reason comes back and
    // nothing changes.
    std::optional<QString> startRecording(const QString &path, bool replaceExisting);
    void stopRecording();
    bool isRecording() const { return log_.isOpen(); }
    QString recordingPath() const { return log_.path(); }
    // When the recording began, on the session's clock: elapsed_s counts from here.
    std::int64_t recordingStartUtcMs() const { return startUtcMs_; }
    // Readings logged since then.
    std::int64_t recordedRows() const { return rows_; }
    // The description of a run that began at `startUtcMs` and is measured as things stand now.
    LogHeader runHeader(std::int64_t startUtcMs) const;

signals:
    void recordAppended();
    void recordingChanged(bool on);
    // Writing failed; recording has stopped.
    void recordingFailed(const QString &message);

private:
    void readingHandled(const ReadingOutcome &outcome, const ReadingRecord &record);
    void measuringChanged(bool on);
    // Puts the run's description and the header row before the first row, when port and
    // settings are those the rows were measured with. False when the text did not reach the
    // disk; recording has then stopped with a message.
    bool write(const std::string &rows);
    void fail(const LogFailure &failure);

    const Instrument &instrument_;
    MeterSession &session_;
    // Fed together, so the period's count of records stays that of the history.
    ReadingHistory history_;
    StatisticsPeriod period_;
    LogFile log_;
    std::int64_t startUtcMs_ = 0;
    std::int64_t rows_ = 0;
    bool headWritten_ = false;
    // As the log last told it, so that a repeated stop is no second row.
    bool measuring_ = false;
};

} // namespace merolan
