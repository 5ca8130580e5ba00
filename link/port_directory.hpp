#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>

// Which device stands behind "Com 1" to "Com 9".
namespace merolan {

constexpr int kFirstPortNumber = 1;
constexpr int kLastPortNumber = 9;

// Takes one value of the repeatable option "--port N=DEVICE" into ports; a malformed value
// gives the text to show the user and leaves ports as it was.
std::optional<QString> parsePortOption(const QString &value, QMap<int, QString> &ports);

// The device for port n: "COMn" on Windows; elsewhere the override for n, else the n-th
// (1-based) of the system's ports in name order, else the empty text (there is no such port).
QString deviceForPort(int n, const QMap<int, QString> &overrides, const QStringList &systemPorts);

// The system locations of the serial ports this computer has, in name order.
QStringList systemSerialPorts();

} // namespace merolan
