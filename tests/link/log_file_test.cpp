#include "link/log_file.hpp"

#include "support/file_size_limit.hpp"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>

using namespace merolan;
using merolan::testing::FileSizeLimit;

namespace {

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

} // namespace

TEST(LogFile, AFailedAppendSaysWhyAndTheFileEndsOnItsLastWholeRow)
{
    QTemporaryDir dir;
    const QString kept = dir.filePath(QStringLiteral("kept.csv"));
    const std::string longRow = std::string(200, 'x') + "\r\n";
    struct Case {
        const char *what;
        QString path;
        std::function<void()> breakIt; // after two rows went in
        rlim_t sizeLimit;              // 0: none
        LogFailure::Kind kind;
        const char *cause;
        std::optional<QByteArray> left; // the file's bytes afterwards, where it is still there
    };
    const Case cases[] = {
        {"full disk",
         QStringLiteral("/dev/full"),
         {},
         0,
         LogFailure::Kind::WriteFailed,
         "no space is left on the disk",
         std::nullopt},
        {"size limit",
         dir.filePath(QStringLiteral("limited.csv")),
         {},
         100,
         LogFailure::Kind::WriteFailed,
         "the file has reached the size limit",
         QByteArray("row 1\r\nrow 2\r\n")},
        {"deleted", dir.filePath(QStringLiteral("deleted.csv")),
         [&] { QFile::remove(dir.filePath(QStringLiteral("deleted.csv"))); }, 0, LogFailure::Kind::Deleted,
         "the file was deleted", std::nullopt},
        {"moved", dir.filePath(QStringLiteral("moved.csv")),
         [&] { QFile::rename(dir.filePath(QStringLiteral("moved.csv")), kept); }, 0, LogFailure::Kind::Moved,
         "the file was moved or renamed", std::nullopt},
    };
    for (const Case &c : cases) {
        LogFile log;
        ASSERT_FALSE(log.create(c.path, true)) << c.what;
        const bool device = c.path.startsWith(QLatin1String("/dev/"));
        if (!device) {
            ASSERT_FALSE(log.append("row 1\r\n")) << c.what;
            ASSERT_FALSE(log.append("row 2\r\n")) << c.what;
        }
        if (c.breakIt)
            c.breakIt();
        std::optional<LogFailure> failure;
        {
            std::optional<FileSizeLimit> limit;
            if (c.sizeLimit)
                limit.emplace(c.sizeLimit);
            failure = log.append(longRow);
        }
        ASSERT_TRUE(failure) << c.what;
        EXPECT_EQ(failure->kind, c.kind) << c.what;
        EXPECT_EQ(failure->cause, QLatin1String(c.cause)) << c.what;
        EXPECT_EQ(log.linesWritten(), device ? 0 : 2) << c.what;
        EXPECT_EQ(log.bytesWritten(), device ? 0 : 14) << c.what;
        if (c.left) {
            EXPECT_EQ(contentOf(c.path), *c.left) << c.what;
        }
    }
}

TEST(LogFile, CreateRefusesAFolderAndReplacesAFileOnlyWhenAsked)
{
    QTemporaryDir dir;
    const QString existing = dir.filePath(QStringLiteral("old.csv"));
    const struct {
        QString path;
        bool replace;
        const char *cause; // none when created
        QByteArray left;
    } cases[] = {
        {dir.path(), true, "it is a folder", {}},
        {dir.path(), false, "it is a folder", {}},
        {existing, false, "the file exists already", "keep me"},
        {dir.filePath(QStringLiteral("missing/new.csv")), true, "its folder does not exist", {}},
        {existing, true, nullptr, ""},
    };
    QFile old(existing);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("keep me");
    old.close();
    for (const auto &c : cases) {
        LogFile log;
        const std::optional<QString> refused = log.create(c.path, c.replace);
        EXPECT_EQ(refused.value_or(QString()), QLatin1String(c.cause)) << c.path.toStdString();
        EXPECT_EQ(log.isOpen(), !c.cause) << c.path.toStdString();
        if (c.path == existing) {
            EXPECT_EQ(contentOf(existing), c.left) << c.replace;
        }
    }
}

TEST(LogFile, OnlyAFileItCreatedAndNeverWroteIsRemovedOnRequest)
{
    QTemporaryDir dir;
    const struct {
        const char *name;
        bool existed;
        const char *text; // appended, unless empty
        bool removed;
    } cases[] = {
        {"unused.csv", false, "", true},
        {"used.csv", false, "row\r\n", false},
        {"replaced.csv", true, "", false},
    };
    for (const auto &c : cases) {
        const QString path = dir.filePath(QLatin1String(c.name));
        if (c.existed) {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        }
        LogFile log;
        ASSERT_FALSE(log.create(path, true)) << c.name;
        if (*c.text) {
            ASSERT_FALSE(log.append(c.text)) << c.name;
        }
        EXPECT_EQ(log.closeAndRemoveIfEmpty(), c.removed) << c.name;
        EXPECT_EQ(QFile::exists(path), !c.removed) << c.name;
        EXPECT_FALSE(log.isOpen()) << c.name;
    }
}
