#pragma once

#include "core/reading/wire_protocol.hpp"

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>

#include <chrono>
#include <optional>

class QTimer;

namespace merolan {

// One character is 10 bits, about 1.04 ms at 9600 baud, but USB-serial adapters hand bytes on
// in packets on their latency timer (commonly 1 to 16 ms), so a reply can arrive in parts well
// apart. Three bytes are a reply at once; fewer are one only after the line has been quiet this
// long, so a damaged reply keeps the line waiting for that time.
inline constexpr std::chrono::milliseconds kLineQuietTime{40};

// The serial line to the meter. It writes command frames and hands every read to the caller,
// who decodes it: a reply counts only when it arrives as one read of exactly three bytes.
class SerialLink : public QObject
{
    Q_OBJECT

public:
    explicit SerialLink(QObject *parent = nullptr);

    // Closes any open port, then opens `device`, which messages call `portName (device)`, or by
    // the device alone when portName is empty. On failure the link stays closed and the text
    // says which port, which device and why, in words for the user.
    std::optional<QString> open(const QString &device, const QString &portName = {});
    void close();
    bool isOpen() const;
    // As given to open; empty while closed.
    QString portName() const { return portName_; }
    QString device() const { return device_; }

    // One write of the three bytes; nothing is written, and false returned, while closed.
    bool write(const FrameBytes &frame);

signals:
    void readArrived(const QByteArray &read);
    // The device went away under an open port (an adapter pulled out); the port is closed.
    void portLost(const QString &message);

private:
    void onReadyRead();
    void takeRead();
    void onError(QSerialPort::SerialPortError error);
    QString nameInMessages() const;

    QSerialPort *port_;
    QTimer *quietTimer_;
    QString portName_;
    QString device_;
    bool lost_ = false;
};

// Why a port did not open, in words for the user; a device the user may not open gets the advice
// that gives access to it.
QString openFailureReason(QSerialPort::SerialPortError error, const QString &device, const QString &errorText);

} // namespace merolan
