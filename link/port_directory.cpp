#include "link/port_directory.hpp"

#include <QSerialPortInfo>

#include <algorithm>

namespace merolan {

namespace {

// Name order with digit runs compared by value, so that ttyUSB10 follows ttyUSB9: the port
// numbers the user sees should not jump when an eleventh adapter appears.
bool naturalLess(const QString &a, const QString &b)
{
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            const qsizetype startA = i;
            const qsizetype startB = j;
            while (i < a.size() && a[i].isDigit())
                ++i;
            while (j < b.size() && b[j].isDigit())
                ++j;
            QStringView runA = QStringView(a).sliced(startA, i - startA);
            QStringView runB = QStringView(b).sliced(startB, j - startB);
            while (runA.size() > 1 && runA.front() == u'0')
                runA = runA.sliced(1);
            while (runB.size() > 1 && runB.front() == u'0')
                runB = runB.sliced(1);
            if (runA.size() != runB.size())
                return runA.size() < runB.size();
            if (const int order = runA.compare(runB); order != 0)
                return order < 0;
            continue;
        }
        if (a[i] != b[j])
            return a[i] < b[j];
        ++i;
        ++j;
    }
    if (a.size() - i != b.size() - j)
        return a.size() - i < b.size() - j;
    return a < b;
}

} // namespace

QString comPortName(int n)
{
    return QStringLiteral("Com %1").arg(n);
}

std::optional<int> comPortNumber(const QString &name)
{
    for (int n = kFirstPortNumber; n <= kLastPortNumber; ++n)
        if (name == comPortName(n))
            return n;
    return std::nullopt;
}

std::optional<QString> parsePortOption(const QString &value, QMap<int, QString> &ports)
{
    const qsizetype equals = value.indexOf(u'=');
    bool isNumber = false;
    const int n = equals > 0 ? value.left(equals).trimmed().toInt(&isNumber) : 0;
    const QString device = equals > 0 ? value.mid(equals + 1).trimmed() : QString();
    if (!isNumber || n < kFirstPortNumber || n > kLastPortNumber || device.isEmpty()) {
        return QStringLiteral("--port expects N=DEVICE with N from %1 to %2, for example "
                              "--port 1=/dev/ttyUSB0; \"%3\" is not of that form.")
            .arg(kFirstPortNumber)
            .arg(kLastPortNumber)
            .arg(value);
    }
    ports.insert(n, device);
    return std::nullopt;
}

QString deviceForPort(int n, const QMap<int, QString> &overrides, const QStringList &systemPorts)
{
#ifdef Q_OS_WIN
    Q_UNUSED(overrides);
    Q_UNUSED(systemPorts);
    return QStringLiteral("COM%1").arg(n);
#else
    if (const auto it = overrides.constFind(n); it != overrides.constEnd())
        return *it;
    if (n < 1 || n > systemPorts.size())
        return {};
    QStringList sorted = systemPorts;
    std::sort(sorted.begin(), sorted.end(), naturalLess);
    return sorted.at(n - 1);
#endif
}

std::optional<int> comNumberOfDevice(const QString &device, const QStringList &systemPorts)
{
#ifdef Q_OS_WIN
    constexpr Qt::CaseSensitivity kDeviceCase = Qt::CaseInsensitive; // COM5 and com5 are one port
#else
    constexpr Qt::CaseSensitivity kDeviceCase = Qt::CaseSensitive;
#endif
    if (device.isEmpty())
        return std::nullopt;
    for (int n = kFirstPortNumber; n <= kLastPortNumber; ++n)
        if (device.compare(deviceForPort(n, {}, systemPorts), kDeviceCase) == 0)
            return n;
    return std::nullopt;
}

QStringList systemSerialPorts()
{
    QStringList ports;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        ports.append(info.systemLocation());
    std::sort(ports.begin(), ports.end(), naturalLess);
    return ports;
}

QString noDeviceMessage(int n)
{
    return QStringLiteral("There is no serial port for %1 on this computer. Connect the meter, or name its device "
                          "with --port %2=DEVICE.")
        .arg(comPortName(n))
        .arg(n);
}

QString PortDirectory::deviceFor(int n) const
{
    return deviceForPort(n, overrides, systemSerialPorts());
}

QStringList PortDirectory::devices() const
{
    const QStringList system = systemSerialPorts();
    QStringList devices;
    for (int n = kFirstPortNumber; n <= kLastPortNumber; ++n)
        devices.append(deviceForPort(n, overrides, system));
    return devices;
}

} // namespace merolan
