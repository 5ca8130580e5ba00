#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <chrono>
#include <random>

class QSerialPort;
class QSocketNotifier;
class QTextStream;
class QTimer;

namespace merolan {

// A stand-in for the meter: it listens on a pseudo-terminal (or a real serial device), answers
// every poll frame with one reading frame and ignores update frames, so the front end and its
// tests can run without the instrument. Faults can be switched on to provoke the line troubles
// the front end has to survive.
class MeterSimulator : public QObject
{
    Q_OBJECT

public:
    enum class Fault {
        None,
        Silent,         // polls are taken but never answered
        SplitReply,     // two bytes, a pause, then the last byte
        ExtraByte,      // the reading frame followed by one stray byte in the same write
        GarbageBetween, // a few random bytes some time after each reply
    };

    // 3 bytes of 10 bits at 9600 baud take 3.125 ms; the reply starts once the poll is through.
    static constexpr std::chrono::milliseconds kFrameTime{4};

    explicit MeterSimulator(QObject *parent = nullptr);
    ~MeterSimulator() override;

    // Creates a pseudo-terminal; clients open devicePath(). The simulator keeps the slave side
    // open itself, so the line stays raw and survives clients closing and reopening it.
    bool openPseudoTerminal(QString *error);
    // Serves a real serial device at 9600 8N1 instead.
    bool openDevice(const QString &path, QString *error);
    QString devicePath() const;
    bool isOpen() const;
    void close();

    // The level the detector sees; each call replaces the previous source.
    void setLevelDbm(double dbm);
    void setSweep(double fromDbm, double toDbm, double periodSeconds);
    // Uniform noise of +-dB on top of a level or sweep; 0 switches it off.
    void setNoise(double dB);
    void setNoiseSeed(quint32 seed);
    // Answers with exactly this code, no noise, until a level or sweep is set again.
    void setRawCode(quint32 code);

    // Puts bytes on the line as they are, outside any answer: for a line fault no mode plays,
    // timed by the caller.
    void sendRaw(const QByteArray &bytes) { writeToLine(bytes); }

    void setFault(Fault fault);
    Fault fault() const { return fault_; }
    void setSplitPause(std::chrono::milliseconds pause);
    void setGarbageDelay(std::chrono::milliseconds delay);

    // Every received frame (and every byte dropped to regain alignment) is written here with
    // the milliseconds since the simulator started; nullptr stops logging. Not owned.
    void setLog(QTextStream *log);

    // The code the next reply would carry.
    quint32 nextCode();
    // Polls taken whose answer has not gone out yet.
    int repliesDue() const { return repliesDue_; }

    // The factory Low-range calibration line, clamped to the converter's range.
    static quint32 codeForDbm(double dbm);
    // Triangle sweep: fromDbm at t = 0, toDbm at half the period, back at the full period.
    static double sweepLevelDbm(double fromDbm, double toDbm, double periodSeconds, double seconds);
    static QByteArray readingFrame(quint32 code);

signals:
    void frameReceived(const QByteArray &frame);
    void replySent(const QByteArray &bytes);
    void garbageSent(const QByteArray &bytes);

private:
    enum class Source { Level, Sweep, Raw };

    void onMasterReadable();
    void onMasterWritable();
    void takeInput(const QByteArray &bytes);
    void handleFrame(const QByteArray &frame);
    void sendDueReply();
    void sendLater(std::chrono::milliseconds delay, const QByteArray &bytes, bool isReply);
    void writeToLine(const QByteArray &bytes);
    void flushPending();
    void logLine(const QString &text);
    QByteArray randomBytes(int count);

    int masterFd_ = -1;
    int slaveFd_ = -1;
    QString devicePath_;
    QSocketNotifier *readNotifier_ = nullptr;
    QSocketNotifier *writeNotifier_ = nullptr;
    QSerialPort *port_ = nullptr;

    QByteArray input_;
    QByteArray pendingOutput_;
    QTimer *replyTimer_ = nullptr;
    int repliesDue_ = 0;
    // Delayed writes check this so that nothing scheduled before a close reaches a new line.
    quint64 session_ = 0;

    Source source_ = Source::Level;
    double levelDbm_ = -30.0;
    double sweepFromDbm_ = -30.0;
    double sweepToDbm_ = -30.0;
    double sweepPeriodSeconds_ = 0.0;
    QElapsedTimer sweepClock_;
    double noiseDb_ = 0.0;
    quint32 rawCode_ = 0;
    std::mt19937 random_{1};

    Fault fault_ = Fault::None;
    std::chrono::milliseconds splitPause_{50};
    std::chrono::milliseconds garbageDelay_{40};

    QTextStream *log_ = nullptr;
    QElapsedTimer clock_;
};

} // namespace merolan
