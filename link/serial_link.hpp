#pragma once

#include "core/wire_protocol.hpp"

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>

#include <optional>

class QTimer;

namespace merolan {

// The serial line to the meter. It writes command frames and hands every read to the caller,
// who decodes it: a reply counts only when it arrives as one read of exactly three bytes.
class SerialLink : public QObject
{
    Q_OBJECT

public:
    explicit SerialLink(QObject *parent = nullptr);

    // Closes any open port, then opens device as port portNumber. On failure the link stays
    // closed and the text says which port, which device and why, in words for the user.
    std::optional<QString> open(int portNumber, const QString &device);
    void close();
    bool isOpen() const;
    int portNumber() const { return portNumber_; }
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
    QString portName() const;

    QSerialPort *port_;
    QTimer *quietTimer_;
    int portNumber_ = 0;
    QString device_;
    bool lost_ = false;
};

// Why a port did not open, in words for the user; a device the user may not open gets the advice
// that gives access to it.
QString openFailureReason(QSerialPort::SerialPortError error, const QString &device, const QString &errorText);

} // namespace merolan
