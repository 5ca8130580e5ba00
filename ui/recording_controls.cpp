#include "ui/recording_controls.hpp"

#include "core/reading/link_status.hpp"
#include "core/history/reading_statistics.hpp"
#include "ui/look.hpp"
#include "ui/trend_window.hpp"
#include "ui/widget_factory.hpp"

#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <QKeySequence>
#include <QLabel>
#include <QPushButton>

#include <algorithm>

namespace merolan {
namespace {

namespace layout {
// The title band's free middle, between the name and the printed ratings.
constexpr QRect recordButton{476, 13, 89, 23};
constexpr QRect trendButton{572, 13, 89, 23};
// The bottom edge, between the model plate and the right-hand panel, below the relative
// measurement frame: room for a second line while recording.
constexpr QRect linkStatus{232, 582, 452, 36};
} // namespace layout

// Often enough that "last answer" and "No answer ... for N s" count up visibly.
constexpr std::chrono::milliseconds kStatusRefresh{500};
// The rate is taken over the last few seconds, so it follows a change of the poll interval.
constexpr std::int64_t kRateWindowMs = 5000;

std::optional<double> secondsSince(std::optional<std::int64_t> thenMs, std::int64_t nowMs)
{
    if (!thenMs)
        return std::nullopt;
    return static_cast<double>(nowMs - *thenMs) / 1000.0;
}

} // namespace

RecordingControls::RecordingControls(AppContext &context, MeterSession &session, ReadingRecorder &recorder,
                                     QWidget *panel)
    : QObject(panel), context_(context), session_(session), recorder_(recorder), panel_(panel)
{
    recordButton_ = makeButton(panel, "RecordButton", layout::recordButton, QStringLiteral("Record"));
    recordButton_->setShortcut(QKeySequence(QStringLiteral("Ctrl+R")));
    recordButton_->setToolTip(QStringLiteral("Log every reading to a CSV file (Ctrl+R)"));
    trendButton_ = makeButton(panel, "TrendButton", layout::trendButton, QStringLiteral("Trend"));
    trendButton_->setShortcut(QKeySequence(QStringLiteral("Ctrl+T")));
    trendButton_->setToolTip(QStringLiteral("The level over time, with statistics (Ctrl+T)"));
    linkStatus_ = makeLabel(panel, "LinkStatus", layout::linkStatus, QString());
    linkStatus_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    linkStatus_->setTextFormat(Qt::PlainText);

    connect(recordButton_, &QPushButton::clicked, this, &RecordingControls::recordClicked);
    connect(trendButton_, &QPushButton::clicked, this, &RecordingControls::trendClicked);
    connect(&recorder_, &ReadingRecorder::recordingChanged, this, &RecordingControls::recordingChanged);
    // A failure comes in the middle of handling a reading; shown from there, its box would hold
    // up the serial line (no reading is taken while the box is open, and the status line would
    // call the meter silent). From the event loop, measuring and the trend go on meanwhile.
    connect(&recorder_, &ReadingRecorder::recordingFailed, this, &RecordingControls::recordingFailed,
            Qt::QueuedConnection);
    connect(&recorder_, &ReadingRecorder::recordAppended, this, [this] {
        if (trendWindow_)
            trendWindow_->historyChanged();
    });
    for (auto signal : {&MeterSession::portChanged, &MeterSession::pollSent})
        connect(&session_, signal, this, &RecordingControls::showLinkStatus);
    connect(&session_, &MeterSession::measuringChanged, this, &RecordingControls::showLinkStatus);
    statusTimer_.setInterval(kStatusRefresh);
    connect(&statusTimer_, &QTimer::timeout, this, &RecordingControls::showLinkStatus);
    statusTimer_.start();
    recordingChanged(recorder_.isRecording());
}

RecordingControls::~RecordingControls()
{
    delete trendWindow_;
}

void RecordingControls::recordClicked()
{
    if (recorder_.isRecording()) {
        recorder_.stopRecording();
        return;
    }
    const QString path = context_.dialogs.chooseSaveFile(
        panel_->window(), QStringLiteral("Record"),
        suggestedDocumentPath(QStringLiteral("merolan"), QStringLiteral("csv")), QStringLiteral("CSV files (*.csv)"));
    if (path.isEmpty())
        return;
    // The dialog has asked before offering a file that exists.
    if (const std::optional<QString> problem = recorder_.startRecording(path, true))
        context_.dialogs.showMessage(panel_->window(), UserDialogs::Icon::Error, QStringLiteral("Record"), *problem);
}

void RecordingControls::trendClicked()
{
    if (!trendWindow_) {
        trendWindow_ = new TrendWindow(context_, recorder_.history(), recorder_.statisticsPeriod());
        trendWindow_->describeRunsWith([this](std::int64_t startUtcMs) { return recorder_.runHeader(startUtcMs); });
    }
    trendWindow_->show();
    trendWindow_->raise();
    trendWindow_->activateWindow();
}

void RecordingControls::closeTrendWindow()
{
    if (trendWindow_)
        trendWindow_->close();
}

void RecordingControls::showLinkStatus()
{
    const std::int64_t now = session_.nowUtcMs();
    LinkStatus status;
    if (session_.isPortOpen()) {
        status.portOpen = true;
        status.port = session_.portName().toStdString();
        status.device = QDir::toNativeSeparators(session_.device()).toStdString();
    }
    status.measuring = session_.isMeasuring();
    const ReadingHistory &history = recorder_.history();
    status.readingsPerSecond = summarize(history, {}, history.firstAtOrAfter(now - kRateWindowMs)).readingsPerSecond;
    status.secondsSinceAnswer = secondsSince(session_.lastAnswerUtcMs(), now);
    status.secondsUnanswered = secondsSince(session_.oldestUnansweredPollUtcMs(), now);
    status.readsDropped = static_cast<std::size_t>(session_.readsDropped());
    status.readsUnasked = static_cast<std::size_t>(session_.readsUnasked());
    status.remoteAddress = remoteAddress_.toStdString();
    status.remoteClients = remoteClients_;
    if (recorder_.isRecording()) {
        status.recordingFile = QFileInfo(recorder_.recordingPath()).fileName().toStdString();
        status.recordingSeconds = static_cast<double>(now - recorder_.recordingStartUtcMs()) / 1000.0;
        status.recordingRows = recorder_.recordedRows();
    }
    QString text = QString::fromStdString(linkStatusText(status));
    // What does not fit on one line goes on a second: the recording, its file name giving way in
    // the middle when it is too long even there, so that its start and its extension show and the
    // duration and the count after it are never cut off.
    const QFontMetrics metrics(linkStatus_->font());
    const int room = linkStatus_->contentsRect().width();
    if (!status.recordingFile.empty() && metrics.horizontalAdvance(text) > room) {
        QString second = QString::fromStdString(recordingStatusText(status));
        if (const int overflow = metrics.horizontalAdvance(second) - room; overflow > 0) {
            const QString name = QString::fromStdString(status.recordingFile);
            const int shortest = metrics.horizontalAdvance(QStringLiteral("a\u2026z"));
            status.recordingFile =
                metrics
                    .elidedText(name, Qt::ElideMiddle, std::max(shortest, metrics.horizontalAdvance(name) - overflow))
                    .toStdString();
            second = QString::fromStdString(recordingStatusText(status));
        }
        LinkStatus link = status;
        link.recordingFile.clear();
        text = QString::fromStdString(linkStatusText(link)) + u'\n' + second;
    }
    if (text == linkStatus_->text())
        return;
    linkStatus_->setText(text);
    linkStatus_->setToolTip(recorder_.isRecording()
                                ? text + QStringLiteral("\n") + QDir::toNativeSeparators(recorder_.recordingPath())
                                : text);
}

void RecordingControls::showRemote(const QString &address, int clients)
{
    remoteAddress_ = address;
    remoteClients_ = clients;
    showLinkStatus();
}

void RecordingControls::recordingChanged(bool on)
{
    recordButton_->setText(on ? QStringLiteral("Stop Record") : QStringLiteral("Record"));
    if (on)
        setButtonColour(recordButton_, look::kStopped);
    else
        resetButtonColour(recordButton_);
    showLinkStatus();
}

void RecordingControls::recordingFailed(const QString &message)
{
    context_.dialogs.showMessage(panel_->window(), UserDialogs::Icon::Error, QStringLiteral("Record"), message);
}

} // namespace merolan
