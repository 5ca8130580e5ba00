#include "link/serial_link.hpp"

#include <QFileInfo>
#include <QTimer>

namespace merolan {

namespace {

constexpr qint64 kFrameSize = 3;
constexpr qint64 kReadBufferSize = 1024;

} // namespace

QString openFailureReason(QSerialPort::SerialPortError error, const QString &device, const QString &errorText)
{
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        return QStringLiteral("there is no such device");
    case QSerialPort::PermissionError: {
#ifdef Q_OS_WIN
        return QStringLiteral("it is in use by another program");
#else
        // Qt reports a port held by someone else and a port we may not touch alike.
        const QFileInfo info(device);
        if (info.isReadable() && info.isWritable())
            return QStringLiteral("it is in use by another program");
        const QString group = info.group().isEmpty() ? QStringLiteral("dialout") : info.group();
        return QStringLiteral("permission denied. Serial devices belong to the group \"%1\": add your user to "
                              "it (for example: sudo usermod -aG %1 $USER), then log out and in again")
            .arg(group);
#endif
    }
    case QSerialPort::OpenError:
        return QStringLiteral("it is already open");
    case QSerialPort::UnsupportedOperationError:
        return QStringLiteral("it does not take 9600 baud, 8 data bits, no parity, 1 stop bit");
    default:
        return errorText;
    }
}

SerialLink::SerialLink(QObject *parent) : QObject(parent), port_(new QSerialPort(this)), quietTimer_(new QTimer(this))
{
    port_->setObjectName(QStringLiteral("MSComm1"));
    quietTimer_->setSingleShot(true);
    quietTimer_->setTimerType(Qt::PreciseTimer);
    quietTimer_->setInterval(kLineQuietTime);
    connect(quietTimer_, &QTimer::timeout, this, &SerialLink::takeRead);
    connect(port_, &QSerialPort::readyRead, this, &SerialLink::onReadyRead);
    connect(port_, &QSerialPort::errorOccurred, this, &SerialLink::onError);
}

std::optional<QString> SerialLink::open(const QString &device, const QString &portName)
{
    close();
    if (device.isEmpty()) {
        return QStringLiteral("%1 cannot be opened: no device is named for it.")
            .arg(portName.isEmpty() ? QStringLiteral("The port") : portName);
    }
    portName_ = portName;
    device_ = device;
    port_->setPortName(device);
    port_->setBaudRate(QSerialPort::Baud9600);
    port_->setDataBits(QSerialPort::Data8);
    port_->setParity(QSerialPort::NoParity);
    port_->setStopBits(QSerialPort::OneStop);
    // Frames carry every byte value, so in-band flow control would swallow data.
    port_->setFlowControl(QSerialPort::NoFlowControl);
    // The meter's line was sized 1024 bytes in and 512 out; Qt buffers writes without a
    // limit and has no setting for the send side, so only the read side is bounded.
    port_->setReadBufferSize(kReadBufferSize);
    if (!port_->open(QIODevice::ReadWrite)) {
        const QString reason = openFailureReason(port_->error(), device, port_->errorString());
        port_->clearError();
        const QString message = QStringLiteral("%1 cannot be opened: %2.").arg(nameInMessages(), reason);
        portName_.clear();
        device_.clear();
        return message;
    }
    // An answer left on the line by an earlier program would pass for the answer to our first poll.
    port_->clear(QSerialPort::Input);
    return std::nullopt;
}

void SerialLink::close()
{
    quietTimer_->stop();
    // Qt queues writes for the event loop; a frame sent just before closing (the last update
    // frame of a run) would otherwise never reach the meter.
    if (port_->isOpen() && !lost_)
        port_->flush();
    lost_ = false;
    if (port_->isOpen())
        port_->close();
    portName_.clear();
    device_.clear();
}

bool SerialLink::isOpen() const
{
    return port_->isOpen() && !lost_;
}

bool SerialLink::write(const FrameBytes &frame)
{
    if (!isOpen())
        return false;
    const QByteArray bytes(reinterpret_cast<const char *>(frame.data()), static_cast<qsizetype>(frame.size()));
    return port_->write(bytes) == bytes.size();
}

void SerialLink::onReadyRead()
{
    if (!isOpen())
        return;
    if (port_->bytesAvailable() >= kFrameSize) {
        quietTimer_->stop();
        takeRead();
        return;
    }
    quietTimer_->start();
}

void SerialLink::takeRead()
{
    if (!isOpen() || port_->bytesAvailable() == 0)
        return;
    emit readArrived(port_->readAll());
}

void SerialLink::onError(QSerialPort::SerialPortError error)
{
    if (lost_ || !port_->isOpen())
        return;
    // Qt says ResourceError when the device vanishes; a failed read or write on a device whose
    // node has disappeared (an adapter pulled on Unix) means the same.
    const bool gone =
        error == QSerialPort::ResourceError ||
        ((error == QSerialPort::ReadError || error == QSerialPort::WriteError) && !QFileInfo::exists(device_));
    if (!gone)
        return;
    lost_ = true;
    quietTimer_->stop();
    const QString message =
        QStringLiteral("%1 has gone away (was it unplugged?). The port is closed.").arg(nameInMessages());
    // The error comes from inside the port's own notifier, which closing would delete under its
    // feet; the close waits for the event loop. Meanwhile the link already counts as closed.
    QMetaObject::invokeMethod(
        this,
        [this, message] {
            if (!lost_)
                return; // reopened or closed in between
            close();
            emit portLost(message);
        },
        Qt::QueuedConnection);
}

QString SerialLink::nameInMessages() const
{
    return portName_.isEmpty() ? device_ : QStringLiteral("%1 (%2)").arg(portName_, device_);
}

} // namespace merolan
