#include "link/meter_session.hpp"
#include "link/port_directory.hpp"
#include "ui/app_context.hpp"
#include "ui/main_window.hpp"
#include "ui/settings_location.hpp"
#include "ui/user_dialogs.hpp"

#include <QApplication>
#include <QCommandLineParser>
#include <QLocale>

#include <cstdio>

using namespace merolan;

namespace {

// The user's decimal separator when it is a single byte; "." otherwise.
char localeDecimalSeparator()
{
    const QString point = QLocale::system().decimalPoint();
    return point.size() == 1 && point.at(0).unicode() < 0x80 ? point.at(0).toLatin1() : '.';
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("merolan"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Front end of the RF power meter."));
    parser.addHelpOption();
    const QCommandLineOption portOption(
        QStringLiteral("port"), QStringLiteral("Serial device behind \"Com N\" (repeatable), e.g. 1=/dev/ttyUSB0."),
        QStringLiteral("N=DEVICE"));
    parser.addOption(portOption);
    parser.process(app);

    DesktopDialogs dialogs;
    AppContext context{AppState{}, defaultSettingsFile(), dialogs};
    context.state.decimalSeparator = localeDecimalSeparator();
    MeterSession session(context.state);
    QMap<int, QString> portDevices;
    for (const QString &value : parser.values(portOption)) {
        if (const std::optional<QString> problem = parsePortOption(value, portDevices)) {
            std::fprintf(stderr, "merolan: %s\n", qPrintable(*problem));
            return 2;
        }
    }
    for (auto it = portDevices.cbegin(); it != portDevices.cend(); ++it)
        session.setPortDevice(it.key(), it.value());

    MainWindow window(context, session);
    window.show();
    return QApplication::exec();
}
