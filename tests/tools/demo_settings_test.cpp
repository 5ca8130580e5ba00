#include "core/reading/conversion.hpp"
#include "core/settings/meter_settings.hpp"
#include "core/settings/settings_record.hpp"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <span>

using namespace merolan;

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

} // namespace

// The demonstration measures at once with the factory calibration, keeps what it saved, and
// never touches the user's own settings file.
TEST(DemoSettings, SeedsAFolderOfItsOwnWithTheFactoryRecord)
{
    const QString cli = QCoreApplication::applicationDirPath() + QStringLiteral("/../cli/merolan-cli");
    ASSERT_TRUE(QFileInfo(cli).isExecutable()) << cli.toStdString();
    QTemporaryDir user;
    QTemporaryDir demo;
    ASSERT_TRUE(QDir(user.path()).mkpath(QStringLiteral("merolan")));
    const QString userRecord = user.filePath(QStringLiteral("merolan/merolan.dat"));
    write(userRecord, "the user's own record");
    const QString folder = demo.filePath(QStringLiteral("demo-settings"));
    const QString record = folder + QStringLiteral("/merolan/merolan.dat");

    const auto runScript = [&] {
        QProcess script;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), user.path());
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), user.path());
        script.setProcessEnvironment(environment);
        script.start(QStringLiteral("bash"),
                     {QStringLiteral(MEROLAN_SOURCE_DIR "/scripts/demo-settings.sh"), cli, folder});
        EXPECT_TRUE(script.waitForFinished(30000));
        EXPECT_EQ(script.exitCode(), 0) << script.readAllStandardError().toStdString();
        return QString::fromLocal8Bit(script.readAllStandardOutput()).trimmed();
    };

    EXPECT_EQ(runScript(), folder);
    const QByteArray seeded = readAll(record);
    const auto factory = std::get<SettingsRecord>(encodeSettingsRecord(factorySettings(), '.'));
    EXPECT_EQ(seeded, QByteArray(reinterpret_cast<const char *>(factory.data()), factory.size()));
    const auto decoded = decodeSettingsRecord(
        std::span(reinterpret_cast<const std::uint8_t *>(seeded.constData()), static_cast<std::size_t>(seeded.size())));
    ASSERT_TRUE(std::holds_alternative<MeterSettings>(decoded));
    EXPECT_FALSE(setupHint(std::get<MeterSettings>(decoded), '.'));

    QByteArray saved = seeded;
    saved[3] = 'x'; // as if the demonstration had saved its own settings
    write(record, saved);
    runScript();
    EXPECT_EQ(readAll(record), saved);

    write(record, QByteArray()); // an emptied record is seeded again
    runScript();
    EXPECT_EQ(readAll(record), seeded);
    EXPECT_EQ(readAll(userRecord), QByteArray("the user's own record"));
}
