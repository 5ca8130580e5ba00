#include "link/reading_recorder.hpp"

#include "core/csv_log.hpp"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

namespace merolan {
namespace {

// Past the operating system's cache, onto the disk.
bool syncToDisk(QFile &file)
{
#ifdef Q_OS_WIN
    return _commit(file.handle()) == 0;
#else
    return ::fdatasync(file.handle()) == 0;
#endif
}

} // namespace

ReadingRecorder::ReadingRecorder(const AppState &state, MeterSession &session, QObject *parent)
    : QObject(parent), state_(state), session_(session)
{
    connect(&session_, &MeterSession::readingHandled, this, &ReadingRecorder::readingHandled);
}

ReadingRecorder::~ReadingRecorder()
{
    stopRecording();
}

std::optional<QString> ReadingRecorder::startRecording(const QString &path, bool replaceExisting)
{
    stopRecording();
    log_.setFileName(path);
    const QIODevice::OpenMode mode =
        QIODevice::WriteOnly | (replaceExisting ? QIODevice::Truncate : QIODevice::NewOnly);
    if (!log_.open(mode)) {
        const QString cause =
            !replaceExisting && log_.exists() ? QStringLiteral("the file exists already") : log_.errorString();
        return QStringLiteral("Cannot record into %1: %2.").arg(QDir::toNativeSeparators(path), cause);
    }
    preambleWritten_ = false;
    emit recordingChanged(true);
    return std::nullopt;
}

void ReadingRecorder::stopRecording()
{
    if (!log_.isOpen())
        return;
    // A log without rows still says what run it belongs to.
    if (!preambleWritten_ && !write(preamble()))
        return;
    log_.close();
    emit recordingChanged(false);
}

void ReadingRecorder::readingHandled(const ReadingOutcome &, const ReadingRecord &record)
{
    history_.append(record);
    emit recordAppended();
    if (!log_.isOpen())
        return;
    std::string text = preambleWritten_ ? std::string() : preamble();
    preambleWritten_ = true;
    text += csvRow(record);
    write(text);
}

std::string ReadingRecorder::preamble() const
{
    const bool open = session_.isPortOpen();
    const LogHeader header = logHeaderOf(state_, open ? "Com " + std::to_string(session_.portNumber()) : std::string(),
                                         open ? session_.device().toStdString() : std::string());
    return csvPreamble(header) + csvHeaderRow();
}

bool ReadingRecorder::write(const std::string &text)
{
    const auto size = static_cast<qint64>(text.size());
    if (log_.write(text.data(), size) != size || !log_.flush()) {
        fail(log_.errorString());
        return false;
    }
    if (!syncToDisk(log_)) {
        fail(QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    // Writing on into a file that was deleted would lose every row without a word.
    if (!QFileInfo::exists(log_.fileName())) {
        fail(QStringLiteral("the file was removed"));
        return false;
    }
    return true;
}

void ReadingRecorder::fail(const QString &cause)
{
    const QString path = QDir::toNativeSeparators(log_.fileName());
    log_.close();
    emit recordingChanged(false);
    emit recordingFailed(QStringLiteral("Recording into %1 has stopped: %2. The rows written before are in the "
                                        "file; measuring goes on.")
                             .arg(path, cause));
}

} // namespace merolan
