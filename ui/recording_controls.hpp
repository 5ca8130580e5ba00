#pragma once

#include "link/meter_session.hpp"
#include "link/reading_recorder.hpp"
#include "ui/app_context.hpp"

#include <QObject>
#include <QPointer>
#include <QTimer>

class QLabel;
class QPushButton;
class QWidget;

namespace merolan {

class TrendWindow;

// What the front panel adds to the meter's own controls, in its free spaces: "Record" and
// "Trend" in the title band, and the link status along the bottom edge.
class RecordingControls : public QObject
{
    Q_OBJECT

public:
    RecordingControls(AppContext &context, MeterSession &session, ReadingRecorder &recorder, QWidget *panel);
    ~RecordingControls() override;

    void recordClicked();
    void trendClicked();
    void closeTrendWindow();
    void showLinkStatus();
    // Where the remote server listens (empty while it does not) and how many clients it has.
    void showRemote(const QString &address, int clients);

private:
    void recordingChanged(bool on);
    void recordingFailed(const QString &message);

    AppContext &context_;
    MeterSession &session_;
    ReadingRecorder &recorder_;
    QWidget *panel_;
    QPushButton *recordButton_ = nullptr;
    QPushButton *trendButton_ = nullptr;
    QLabel *linkStatus_ = nullptr;
    QTimer statusTimer_;
    QString remoteAddress_;
    int remoteClients_ = 0;
    QPointer<TrendWindow> trendWindow_;
};

} // namespace merolan
