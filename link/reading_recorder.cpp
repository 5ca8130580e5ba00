#include "link/reading_recorder.hpp"

#include <QDateTime>
#include <QDir>

namespace merolan {

int localUtcOffsetSeconds(std::int64_t utcMs)
{
    return QDateTime::fromMSecsSinceEpoch(utcMs).offsetFromUtc();
}

LogHeader logHeaderAt(const InstrumentSetup &setup, std::string port, std::string device, std::int64_t startUtcMs)
{
    LogHeader header = logHeaderOf(setup, std::move(port), std::move(device));
    header.startUtcMs = startUtcMs;
    header.utcOffsetSeconds = localUtcOffsetSeconds(startUtcMs);
    return header;
}

ReadingRecorder::ReadingRecorder(const Instrument &instrument, MeterSession &session, QObject *parent)
    : QObject(parent), instrument_(instrument), session_(session)
{
    connect(&session_, &MeterSession::readingHandled, this, &ReadingRecorder::readingHandled);
    connect(&session_, &MeterSession::measuringChanged, this, &ReadingRecorder::measuringChanged);
}

ReadingRecorder::~ReadingRecorder()
{
    stopRecording();
}

std::optional<QString> ReadingRecorder::startRecording(const QString &path, bool replaceExisting)
{
    stopRecording();
    if (const std::optional<QString> cause = log_.create(path, replaceExisting))
        return QStringLiteral("Cannot record into %1: %2.").arg(QDir::toNativeSeparators(path), *cause);
    startUtcMs_ = session_.nowUtcMs();
    rows_ = 0;
    headWritten_ = false;
    measuring_ = session_.isMeasuring();
    emit recordingChanged(true);
    return std::nullopt;
}

void ReadingRecorder::stopRecording()
{
    if (!log_.isOpen())
        return;
    // A log without rows still says what run it belongs to.
    if (!write(std::string()))
        return;
    log_.close();
    emit recordingChanged(false);
}

LogHeader ReadingRecorder::runHeader(std::int64_t startUtcMs) const
{
    const bool open = session_.isPortOpen();
    return logHeaderAt(instrument_.setup(), open ? session_.portName().toStdString() : std::string(),
                       open ? session_.device().toStdString() : std::string(), startUtcMs);
}

void ReadingRecorder::keep(const ReadingRecord &record)
{
    history_.append(record);
    period_.add(history_);
    emit recordAppended();
}

void ReadingRecorder::readingHandled(const ReadingOutcome &, const ReadingRecord &record)
{
    keep(record);
    if (log_.isOpen() && write(csvRow(record, startUtcMs_)))
        ++rows_;
}

void ReadingRecorder::measuringChanged(bool on)
{
    // A pause in the rows is told as one, not left to be read as a steady level.
    if (!log_.isOpen() || on == measuring_)
        return;
    measuring_ = on;
    write(csvEventRow(session_.nowUtcMs(), startUtcMs_, on ? "measuring started" : "measuring stopped"));
}

bool ReadingRecorder::write(const std::string &rows)
{
    std::optional<LogFailure> failure;
    if (headWritten_) {
        failure = log_.append(rows);
    } else {
        failure = log_.append(csvHead(runHeader(startUtcMs_)) + rows);
        headWritten_ = true;
    }
    if (failure)
        fail(*failure);
    return !failure;
}

void ReadingRecorder::fail(const LogFailure &failure)
{
    const QString path = QDir::toNativeSeparators(log_.path());
    QString whatIsLeft = failure.whatIsLeft(rows_ > 0);
    whatIsLeft[0] = whatIsLeft[0].toUpper();
    log_.close();
    emit recordingChanged(false);
    emit recordingFailed(QStringLiteral("Recording into %1 has stopped: %2. %3; measuring goes on.")
                             .arg(path, failure.cause, whatIsLeft));
}

} // namespace merolan
