#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>

// Which device stands behind "Com 1" to "Com 9" of the window's port list. The measuring session
// opens devices by their names; this is the one place that turns a "Com N" into a device.
namespace merolan {

constexpr int kFirstPortNumber = 1;
constexpr int kLastPortNumber = 9;

// "Com N", as the port list, the messages and the log name port N.
QString comPortName(int n);
// The N of a "Com N" name from 1 to 9; none for any other text.
std::optional<int> comPortNumber(const QString &name);

// Takes one value of the repeatable option "--port N=DEVICE" into ports; a malformed value
// gives the text to show the user and leaves ports as it was.
std::optional<QString> parsePortOption(const QString &value, QMap<int, QString> &ports);

// The device for port n: "COMn" on Windows; elsewhere the override for n, else the n-th
// (1-based) of the system's ports in name order, else the empty text (there is no such port).
QString deviceForPort(int n, const QMap<int, QString> &overrides, const QStringList &systemPorts);

// The "Com N" that stands for `device` when no --port option names it: its own number on Windows,
// else its place in the system's list; none past Com 9.
std::optional<int> comNumberOfDevice(const QString &device, const QStringList &systemPorts);

// The system locations of the serial ports this computer has, in name order.
QStringList systemSerialPorts();

// Why "Com N" cannot be opened when no device stands behind it, and what to do about it.
QString noDeviceMessage(int n);

// The window's ports: the --port options given at start, over the system's ports, which are
// looked up afresh on every question since adapters come and go while the program runs.
struct PortDirectory {
    QMap<int, QString> overrides;

    // The device for "Com N"; the empty text when there is none.
    QString deviceFor(int n) const;
    // The devices for "Com 1" to "Com 9" in order, an empty text where there is none.
    QStringList devices() const;
};

} // namespace merolan
