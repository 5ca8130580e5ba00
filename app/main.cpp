#include "core/base/version.hpp"
#include "link/log_file.hpp"
#include "link/meter_session.hpp"
#include "link/port_directory.hpp"
#include "link/reading_recorder.hpp"
#include "link/settings_location.hpp"
#include "remote/listen_address.hpp"
#include "ui/app_context.hpp"
#include "ui/main_window.hpp"
#include "ui/remote_controls.hpp"
#include "ui/user_dialogs.hpp"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <memory>
#include <string_view>

using namespace merolan;

namespace {

// "--record FILE": every reading of the run goes into FILE; one that exists is replaced only
// when the user says so.
void startRecording(ReadingRecorder &recorder, UserDialogs &dialogs, const QString &path)
{
    const QString title = QStringLiteral("Record");
    const bool exists = QFileInfo::exists(path);
    if (exists && !dialogs.askYesNo(nullptr, title,
                                    QStringLiteral("%1 exists already. Replace it with the log of this run?")
                                        .arg(QDir::toNativeSeparators(path))))
        return;
    if (const std::optional<QString> problem = recorder.startRecording(path, exists))
        dialogs.showMessage(nullptr, UserDialogs::Icon::Error, title, *problem);
}

// "merolan --version" and "--help" answer on a terminal without a display too, so they are
// seen before the window system is needed; a value of --port or --record is not an option.
bool asksOnlyForText(int argc, char *argv[])
{
    const std::string_view texts[] = {"-h", "--help", "--help-all", "-v", "--version"};
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--port" || argument == "--record")
            ++i;
        else if (std::find(std::begin(texts), std::end(texts), argument) != std::end(texts))
            return true;
    }
    return false;
}

// A wrong command line ends the program as the command-line tool ends: the option and what it
// expects on stderr, status 2.
int usageError(const QString &message)
{
    std::fprintf(stderr, "merolan: %s\nmerolan --help lists the options.\n", qPrintable(message));
    return 2;
}

} // namespace

int main(int argc, char *argv[])
{
    letWritesFailInsteadOfSignals();
    const std::unique_ptr<QCoreApplication> app = asksOnlyForText(argc, argv)
                                                      ? std::make_unique<QCoreApplication>(argc, argv)
                                                      : std::make_unique<QApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("merolan"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(kProgramVersion.data()));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Front end of the RF power meter."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption portOption(
        QStringLiteral("port"), QStringLiteral("Serial device behind \"Com N\" (repeatable), e.g. 1=/dev/ttyUSB0."),
        QStringLiteral("N=DEVICE"));
    parser.addOption(portOption);
    const QCommandLineOption recordOption(QStringLiteral("record"),
                                          QStringLiteral("Log every reading of the run into FILE (CSV)."),
                                          QStringLiteral("FILE"));
    parser.addOption(recordOption);
    const QCommandLineOption remoteOption(
        QStringLiteral("remote"),
        QStringLiteral("Serve the meter as a SCPI instrument on [HOST:]PORT (5025 is the usual port)."),
        QStringLiteral("[HOST:]PORT"));
    parser.addOption(remoteOption);
    // Qt's own handling ends a wrong line with status 1; it still answers --help and --version.
    if (!parser.parse(QCoreApplication::arguments())) {
        const QStringList unknown = parser.unknownOptionNames();
        return usageError(unknown.isEmpty()
                              ? parser.errorText()
                              : QStringLiteral("%1%2: there is no such option.")
                                    .arg(unknown.constFirst().size() == 1 ? "-" : "--", unknown.constFirst()));
    }
    parser.process(*app);
    const QString recordPath = parser.value(recordOption);
    if (parser.isSet(recordOption) && recordPath.isEmpty())
        return usageError(QStringLiteral("--record: expects the name of a file."));
    if (parser.isSet(recordOption) && QFileInfo(recordPath).isDir())
        return usageError(QStringLiteral("--record: \"%1\" is a folder; name a file to record into.")
                              .arg(QDir::toNativeSeparators(recordPath)));

    std::optional<ListenAddress> remote;
    if (parser.isSet(remoteOption)) {
        remote = parseListenAddress(parser.value(remoteOption));
        if (!remote)
            return usageError(QStringLiteral("--remote: expects [HOST:]PORT with an IP address and a port from 0 to "
                                             "65535, such as 5025 or 127.0.0.1:5025, not \"%1\".")
                                  .arg(parser.value(remoteOption)));
        if (!remote->host.isLoopback()) {
            std::fprintf(stderr,
                         "merolan: --remote %s is reachable from other computers: anyone who can reach it "
                         "can read and control the meter.\n",
                         qPrintable(parser.value(remoteOption)));
        }
    }

    DesktopDialogs dialogs;
    AppContext context{Instrument(), defaultSettingsFile(), dialogs};
    context.instrument.change().decimalSeparator = userDecimalSeparator();
    for (const QString &value : parser.values(portOption)) {
        if (const std::optional<QString> problem = parsePortOption(value, context.ports.overrides))
            return usageError(*problem);
    }
    MeterSession session(context.instrument);

    ReadingRecorder recorder(context.instrument, session);
    if (parser.isSet(recordOption))
        startRecording(recorder, dialogs, recordPath);

    MainWindow window(context, session, recorder);
    window.show();
    if (remote) {
        if (const std::optional<QString> problem = window.remoteControls().serve(*remote))
            dialogs.showMessage(&window, UserDialogs::Icon::Error, QStringLiteral("Remote"), *problem);
    }
    return QApplication::exec();
}
