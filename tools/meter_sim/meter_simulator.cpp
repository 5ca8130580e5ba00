#include "tools/meter_sim/meter_simulator.hpp"

#include <QSerialPort>
#include <QSocketNotifier>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace merolan {

namespace {

// Factory calibration of the Low range: detector volts at -10 dBm and at -50 dBm.
constexpr double kP10Volts = 1.52486;
constexpr double kP50Volts = 0.73998;
constexpr double kFullScaleVolts = 5.0;
constexpr double kCodesPerFullScale = 16777216.0;
constexpr quint32 kMaxCode = 0xFFFFFF;

constexpr quint8 kPollFlag = 0x80;
// Only bits 6 and 7 of a mode byte are ever set, and the low PWM field holds two bits; a
// frame breaking either rule cannot start where we think it does.
constexpr quint8 kModeUnusedBits = 0x3F;
constexpr quint8 kMaxPwmLow = 3;

// Bytes nobody reads pile up in the pseudo-terminal; beyond this we stop queueing them.
constexpr qsizetype kMaxPendingOutput = 4096;

QString hexBytes(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

QString systemError(const QString &what)
{
    return QStringLiteral("%1: %2").arg(what, QString::fromLocal8Bit(std::strerror(errno)));
}

} // namespace

MeterSimulator::MeterSimulator(QObject *parent) : QObject(parent), replyTimer_(new QTimer(this))
{
    replyTimer_->setSingleShot(true);
    replyTimer_->setTimerType(Qt::PreciseTimer);
    connect(replyTimer_, &QTimer::timeout, this, &MeterSimulator::sendDueReply);
    clock_.start();
    sweepClock_.start();
}

MeterSimulator::~MeterSimulator()
{
    close();
}

bool MeterSimulator::openPseudoTerminal(QString *error)
{
    close();
    auto fail = [&](const QString &what) {
        if (error)
            *error = systemError(what);
        close();
        return false;
    };

    masterFd_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (masterFd_ < 0)
        return fail(QStringLiteral("Cannot create a pseudo-terminal"));
    if (::grantpt(masterFd_) != 0 || ::unlockpt(masterFd_) != 0)
        return fail(QStringLiteral("Cannot unlock the pseudo-terminal"));
    char name[128] = {};
    if (::ptsname_r(masterFd_, name, sizeof name) != 0)
        return fail(QStringLiteral("Cannot name the pseudo-terminal"));
    devicePath_ = QString::fromLocal8Bit(name);

    // Terminal settings belong to the slave side and vanish with its last open descriptor, and
    // the master sees a hang-up whenever no one holds the slave; keeping our own descriptor
    // avoids both, so clients may come and go.
    slaveFd_ = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (slaveFd_ < 0)
        return fail(QStringLiteral("Cannot open %1").arg(devicePath_));
    termios raw{};
    if (::tcgetattr(slaveFd_, &raw) != 0)
        return fail(QStringLiteral("Cannot read the settings of %1").arg(devicePath_));
    // Every byte value is data on this line: no echo, no line editing, no CR/LF mapping.
    ::cfmakeraw(&raw);
    ::cfsetispeed(&raw, B9600);
    ::cfsetospeed(&raw, B9600);
    if (::tcsetattr(slaveFd_, TCSANOW, &raw) != 0)
        return fail(QStringLiteral("Cannot make %1 raw").arg(devicePath_));

    const int flags = ::fcntl(masterFd_, F_GETFL);
    if (flags < 0 || ::fcntl(masterFd_, F_SETFL, flags | O_NONBLOCK) != 0)
        return fail(QStringLiteral("Cannot make the pseudo-terminal non-blocking"));

    readNotifier_ = new QSocketNotifier(masterFd_, QSocketNotifier::Read, this);
    connect(readNotifier_, &QSocketNotifier::activated, this, &MeterSimulator::onMasterReadable);
    writeNotifier_ = new QSocketNotifier(masterFd_, QSocketNotifier::Write, this);
    writeNotifier_->setEnabled(false);
    connect(writeNotifier_, &QSocketNotifier::activated, this, &MeterSimulator::onMasterWritable);
    return true;
}

bool MeterSimulator::openDevice(const QString &path, QString *error)
{
    close();
    port_ = new QSerialPort(path, this);
    port_->setBaudRate(QSerialPort::Baud9600);
    port_->setDataBits(QSerialPort::Data8);
    port_->setParity(QSerialPort::NoParity);
    port_->setStopBits(QSerialPort::OneStop);
    // Frames carry every byte value, so in-band flow control would eat data.
    port_->setFlowControl(QSerialPort::NoFlowControl);
    if (!port_->open(QIODevice::ReadWrite)) {
        if (error)
            *error = QStringLiteral("Cannot open %1: %2").arg(path, port_->errorString());
        close();
        return false;
    }
    devicePath_ = path;
    connect(port_, &QSerialPort::readyRead, this, [this] { takeInput(port_->readAll()); });
    return true;
}

QString MeterSimulator::devicePath() const
{
    return devicePath_;
}

bool MeterSimulator::isOpen() const
{
    return masterFd_ >= 0 || port_ != nullptr;
}

void MeterSimulator::close()
{
    ++session_;
    replyTimer_->stop();
    repliesDue_ = 0;
    input_.clear();
    pendingOutput_.clear();
    delete readNotifier_;
    readNotifier_ = nullptr;
    delete writeNotifier_;
    writeNotifier_ = nullptr;
    if (masterFd_ >= 0)
        ::close(masterFd_);
    masterFd_ = -1;
    if (slaveFd_ >= 0)
        ::close(slaveFd_);
    slaveFd_ = -1;
    if (port_) {
        port_->close();
        delete port_;
        port_ = nullptr;
    }
    devicePath_.clear();
}

void MeterSimulator::setLevelDbm(double dbm)
{
    source_ = Source::Level;
    levelDbm_ = dbm;
}

void MeterSimulator::setSweep(double fromDbm, double toDbm, double periodSeconds)
{
    source_ = Source::Sweep;
    sweepFromDbm_ = fromDbm;
    sweepToDbm_ = toDbm;
    sweepPeriodSeconds_ = periodSeconds;
    sweepClock_.restart();
}

void MeterSimulator::setNoise(double dB)
{
    noiseDb_ = std::abs(dB);
}

void MeterSimulator::setNoiseSeed(quint32 seed)
{
    random_.seed(seed);
}

void MeterSimulator::setRawCode(quint32 code)
{
    source_ = Source::Raw;
    rawCode_ = std::min(code, kMaxCode);
}

void MeterSimulator::setFault(Fault fault)
{
    fault_ = fault;
}

void MeterSimulator::setSplitPause(std::chrono::milliseconds pause)
{
    splitPause_ = pause;
}

void MeterSimulator::setGarbageDelay(std::chrono::milliseconds delay)
{
    garbageDelay_ = delay;
}

void MeterSimulator::setLog(QTextStream *log)
{
    log_ = log;
}

quint32 MeterSimulator::nextCode()
{
    if (source_ == Source::Raw)
        return rawCode_;
    double dbm = levelDbm_;
    if (source_ == Source::Sweep)
        dbm = sweepLevelDbm(sweepFromDbm_, sweepToDbm_, sweepPeriodSeconds_,
                            static_cast<double>(sweepClock_.elapsed()) / 1000.0);
    if (noiseDb_ > 0.0) {
        // Our own mapping from the generator's output: the standard distributions may differ
        // between libraries, and a seed should give the same readings everywhere.
        const double unit = static_cast<double>(random_()) / static_cast<double>(std::mt19937::max());
        dbm += (2.0 * unit - 1.0) * noiseDb_;
    }
    return codeForDbm(dbm);
}

quint32 MeterSimulator::codeForDbm(double dbm)
{
    const double volts = kP10Volts + (dbm + 10.0) * (kP10Volts - kP50Volts) / 40.0;
    // nearbyint keeps the default rounding mode: an exact half goes to the even neighbour.
    const double code = std::nearbyint(volts * kCodesPerFullScale / kFullScaleVolts);
    if (!(code > 0.0))
        return 0;
    if (code >= static_cast<double>(kMaxCode))
        return kMaxCode;
    return static_cast<quint32>(code);
}

double MeterSimulator::sweepLevelDbm(double fromDbm, double toDbm, double periodSeconds, double seconds)
{
    if (!(periodSeconds > 0.0))
        return fromDbm;
    const double phase = std::fmod(seconds, periodSeconds) / periodSeconds;
    const double rise = phase < 0.5 ? 2.0 * phase : 2.0 - 2.0 * phase;
    return fromDbm + (toDbm - fromDbm) * rise;
}

QByteArray MeterSimulator::readingFrame(quint32 code)
{
    // Most significant byte first.
    QByteArray frame(3, '\0');
    frame[0] = static_cast<char>((code >> 16) & 0xFF);
    frame[1] = static_cast<char>((code >> 8) & 0xFF);
    frame[2] = static_cast<char>(code & 0xFF);
    return frame;
}

void MeterSimulator::onMasterReadable()
{
    QByteArray received;
    char buffer[256];
    for (;;) {
        const ssize_t n = ::read(masterFd_, buffer, sizeof buffer);
        if (n > 0) {
            received.append(buffer, n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        break; // EAGAIN: drained. EIO cannot last while we hold the slave side.
    }
    if (!received.isEmpty())
        takeInput(received);
}

void MeterSimulator::onMasterWritable()
{
    flushPending();
}

void MeterSimulator::takeInput(const QByteArray &bytes)
{
    input_.append(bytes);
    while (input_.size() >= 3) {
        const auto mode = static_cast<quint8>(input_[0]);
        const auto pwmLow = static_cast<quint8>(input_[1]);
        if ((mode & kModeUnusedBits) != 0 || pwmLow > kMaxPwmLow) {
            logLine(QStringLiteral("dropped %1").arg(hexBytes(input_.left(1))));
            input_.remove(0, 1);
            continue;
        }
        const QByteArray frame = input_.left(3);
        input_.remove(0, 3);
        handleFrame(frame);
    }
}

void MeterSimulator::handleFrame(const QByteArray &frame)
{
    const bool poll = (static_cast<quint8>(frame[0]) & kPollFlag) != 0;
    logLine(QStringLiteral("%1 %2").arg(hexBytes(frame), poll ? QStringLiteral("poll") : QStringLiteral("update")));
    emit frameReceived(frame);
    if (!poll || fault_ == Fault::Silent)
        return;
    // Polls arriving back to back are answered one after the other, a frame time apart.
    ++repliesDue_;
    if (!replyTimer_->isActive())
        replyTimer_->start(kFrameTime);
}

void MeterSimulator::sendDueReply()
{
    if (repliesDue_ <= 0)
        return;
    --repliesDue_;
    if (repliesDue_ > 0)
        replyTimer_->start(kFrameTime);

    const QByteArray frame = readingFrame(nextCode());
    switch (fault_) {
    case Fault::None:
    case Fault::Silent: // a poll accepted before the switch still gets its answer
        writeToLine(frame);
        emit replySent(frame);
        break;
    case Fault::SplitReply:
        writeToLine(frame.left(2));
        emit replySent(frame.left(2));
        sendLater(splitPause_, frame.right(1), true);
        break;
    case Fault::ExtraByte: {
        const QByteArray bytes = frame + randomBytes(1);
        writeToLine(bytes);
        emit replySent(bytes);
        break;
    }
    case Fault::GarbageBetween:
        writeToLine(frame);
        emit replySent(frame);
        sendLater(garbageDelay_, randomBytes(1 + static_cast<int>(random_() % 4)), false);
        break;
    }
}

void MeterSimulator::sendLater(std::chrono::milliseconds delay, const QByteArray &bytes, bool isReply)
{
    QTimer::singleShot(delay, Qt::PreciseTimer, this, [this, session = session_, bytes, isReply] {
        if (session != session_)
            return;
        writeToLine(bytes);
        if (isReply)
            emit replySent(bytes);
        else
            emit garbageSent(bytes);
    });
}

void MeterSimulator::writeToLine(const QByteArray &bytes)
{
    if (port_) {
        port_->write(bytes);
        return;
    }
    if (masterFd_ < 0)
        return;
    // A meter talking to a line nobody reads loses its words; so do we, past a limit.
    if (pendingOutput_.size() + bytes.size() > kMaxPendingOutput)
        return;
    pendingOutput_.append(bytes);
    flushPending();
}

void MeterSimulator::flushPending()
{
    while (!pendingOutput_.isEmpty()) {
        const ssize_t n = ::write(masterFd_, pendingOutput_.constData(), static_cast<size_t>(pendingOutput_.size()));
        if (n > 0) {
            pendingOutput_.remove(0, n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            pendingOutput_.clear();
        break;
    }
    if (writeNotifier_)
        writeNotifier_->setEnabled(!pendingOutput_.isEmpty());
}

void MeterSimulator::logLine(const QString &text)
{
    if (!log_)
        return;
    *log_ << clock_.elapsed() << ' ' << text << '\n';
    log_->flush();
}

QByteArray MeterSimulator::randomBytes(int count)
{
    QByteArray bytes;
    for (int i = 0; i < count; ++i)
        bytes.append(static_cast<char>(random_() & 0xFF));
    return bytes;
}

} // namespace merolan
