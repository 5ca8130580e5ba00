#pragma once

#include "core/app_state.hpp"
#include "core/reading_chain.hpp"
#include "link/serial_link.hpp"

#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <chrono>

namespace merolan {

// The poll rate of the meter and the grace period before "Close Port" really closes.
inline constexpr std::chrono::milliseconds kPollInterval{330};
inline constexpr std::chrono::milliseconds kTurboPollInterval{100};
inline constexpr std::chrono::milliseconds kPortCloseDelay{400};

// One measuring cycle, without any widget: the port choice, the poll timer, the receive chain
// (decode, convert, update frame) and the deferred close. The main window forwards the user's
// actions here and applies what comes back; the recorder and the command-line tool listen to the
// same signals. Everything runs on the thread that owns it.
class MeterSession : public QObject
{
    Q_OBJECT

public:
    enum class PortProblem {
        OpenFailed, // the chosen port did not open; it is closed
        Lost,       // the device went away under an open port; it is closed
        NotOpen,    // measuring started with no port open; it stopped
    };
    Q_ENUM(PortProblem)

    explicit MeterSession(AppState &state, QObject *parent = nullptr);

    // The device behind "Com N" on systems without COM names ("--port N=DEVICE").
    void setPortDevice(int number, const QString &device);
    // The devices behind "Com 1" to "Com 9"; an empty text where there is none.
    QStringList portDevices() const;

    // "Com N" for N in 1..9 closes any open port and opens N; polling, if on, goes on there.
    void choosePort(int number);
    // "Close Port": measuring stops now, the port closes after kPortCloseDelay.
    void closePort();
    // Starts polling unless it runs already; the first poll follows one interval later.
    void start();
    // Stops polling; the port stays open.
    void stop();
    // Stops everything and closes the port at once, as when the program ends.
    void release();
    void setTurbo(bool on);

    // One poll outside the cycle (the calibration window's "Measure"); false when no port is open.
    bool pollOnce();
    // A raw PWM value for the panel meter; false when no port is open.
    bool sendPanelPwm(double value);

    bool isMeasuring() const { return pollTimer_.isActive(); }
    bool isPortOpen() const { return link_.isOpen(); }
    int portNumber() const { return link_.portNumber(); }
    QString device() const { return link_.device(); }
    std::chrono::milliseconds pollInterval() const { return pollTimer_.intervalAsDuration(); }

signals:
    // Every accepted reply, after its update frame went out.
    void readingHandled(const merolan::ReadingOutcome &outcome);
    // A read that was not one reply of three bytes; it is dropped.
    void readDropped(const QByteArray &read);
    void pollSent();
    void measuringChanged(bool on);
    void portProblem(merolan::MeterSession::PortProblem problem, const QString &message);
    // The port opened or closed.
    void portChanged();

private:
    void pollTick();
    void closeTick();
    void readArrived(const QByteArray &read);
    void portLost(const QString &message);

    AppState &state_;
    SerialLink link_;
    QTimer pollTimer_;
    QTimer closeTimer_;
    QMap<int, QString> portDevices_;
    bool toldNoPort_ = false;
};

} // namespace merolan
