#pragma once

#include <QString>

#include <cstdint>
#include <optional>
#include <string_view>

namespace merolan {

// Past the file-size limit the kernel sends SIGXFSZ, which ends the program on the spot; once
// it is ignored a write past the limit fails with EFBIG and the writer can say so. Process-wide
// and for good: both mains call it first thing, tests that provoke the limit call it themselves.
void letWritesFailInsteadOfSignals();

// A failed write's cause in plain words, without a full stop: "no space is left on the disk".
QString writeCause(int error);

// Why an append did not reach the disk. `cause` is in plain words without a full stop, for the
// caller to put after the file's name: "no space is left on the disk".
struct LogFailure {
    enum class Kind {
        WriteFailed, // the text before this append is in the file, which ends on its last whole row
        Deleted,     // the file is gone, and everything written into it with it
        Moved,       // the path names another file or none; what was written went with the file
    };
    Kind kind = Kind::WriteFailed;
    QString cause;

    // What the user still has, in plain words without a full stop, for every writer's message
    // alike: "the rows written before are in the file".
    QString whatIsLeft(bool anyRowWritten) const;
};

// A file that grows by whole pieces of text (rows), each on the disk before append returns:
// written with plain write() to the end, then fdatasync. A piece that cannot be written whole is
// cut off again, so the file always ends on the last piece that was. One writer checks it all,
// so every caller reports the same causes the same way.
class LogFile
{
public:
    LogFile() = default;
    ~LogFile();
    LogFile(const LogFile &) = delete;
    LogFile &operator=(const LogFile &) = delete;

    // Creates the file empty. A file that exists is replaced only when `replaceExisting`, a
    // folder never. The cause comes back when it cannot be made; an open file is closed first.
    std::optional<QString> create(const QString &path, bool replaceExisting);
    // Writes all of `text`, or nothing of it as far as the disk can be told to.
    std::optional<LogFailure> append(std::string_view text);
    void close();
    // Closes the file and removes it when this writer created it and nothing was appended, for
    // callers that must not leave an empty file behind. True when it was removed.
    bool closeAndRemoveIfEmpty();

    bool isOpen() const { return fd_ >= 0; }
    QString path() const { return path_; }
    // Of the appends that succeeded since create.
    std::int64_t bytesWritten() const { return bytesWritten_; }
    std::int64_t linesWritten() const { return linesWritten_; }

private:
    std::optional<LogFailure> stillThere() const;

    QString path_;
    int fd_ = -1;
    bool created_ = false; // no file was in its place before
    std::uint64_t device_ = 0, inode_ = 0;
    std::int64_t length_ = 0; // where the last whole append ended
    std::int64_t bytesWritten_ = 0;
    std::int64_t linesWritten_ = 0;
};

// Writes a file that is complete or not there: the bytes go to a fresh file beside it, each
// write checked, and take the file's name only once all of them are on the disk. Until then, or
// when anything fails, a file of that name stays as it was; the fresh file is removed.
class WholeFile
{
public:
    explicit WholeFile(const QString &path);
    ~WholeFile();
    WholeFile(const WholeFile &) = delete;
    WholeFile &operator=(const WholeFile &) = delete;

    // Each returns the cause in words when it fails; after a failure the others do nothing.
    std::optional<QString> write(std::string_view bytes);
    std::optional<QString> commit();

private:
    void discard();

    QString path_;
    QString temporary_;
    LogFile file_;
    std::optional<QString> failed_;
};

} // namespace merolan
