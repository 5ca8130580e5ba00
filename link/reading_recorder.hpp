#pragma once

#include "core/app_state.hpp"
#include "core/reading_history.hpp"
#include "link/meter_session.hpp"

#include <QFile>
#include <QObject>
#include <QString>

#include <optional>
#include <string>

namespace merolan {

// Keeps every reading of the session in the history the trend draws from and, while recording,
// writes it to a CSV log. Each row goes to the disk as it comes, so a crash or a power cut costs
// at most the row being written. A log that cannot be written stops recording and says why once;
// measuring goes on.
class ReadingRecorder : public QObject
{
    Q_OBJECT

public:
    ReadingRecorder(const AppState &state, MeterSession &session, QObject *parent = nullptr);
    ~ReadingRecorder() override;

    ReadingHistory &history() { return history_; }
    const ReadingHistory &history() const { return history_; }

    // Logs every following reading into `path`. A file that exists is replaced only when
    // `replaceExisting`; otherwise, and when the file cannot be made, the reason comes back and
    // nothing changes.
    std::optional<QString> startRecording(const QString &path, bool replaceExisting);
    void stopRecording();
    bool isRecording() const { return log_.isOpen(); }
    QString recordingPath() const { return log_.fileName(); }

signals:
    void recordAppended();
    void recordingChanged(bool on);
    // Writing failed; recording has stopped.
    void recordingFailed(const QString &message);

private:
    void readingHandled(const ReadingOutcome &outcome, const ReadingRecord &record);
    // The run's description and the header row: with the first reading, when port and settings
    // are those the rows were measured with.
    std::string preamble() const;
    // False when the text did not reach the disk; recording has then stopped with a message.
    bool write(const std::string &text);
    void fail(const QString &cause);

    const AppState &state_;
    MeterSession &session_;
    ReadingHistory history_;
    QFile log_;
    bool preambleWritten_ = false;
};

} // namespace merolan
