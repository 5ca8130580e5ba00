#pragma once

#include "core/logs/csv_log.hpp"
#include "core/history/reading_history.hpp"
#include "core/history/statistics_period.hpp"

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <utility>

class QComboBox;
class QLabel;
class QPushButton;

namespace merolan {

struct AppContext;
class TrendChart;

// A stretch of time on the chart, half open: [fromMs, toMs).
struct TrendSpan {
    std::int64_t fromMs;
    std::int64_t toMs;
};

// The level over time in the unit chosen, with statistics of the span shown since the last
// reset and exports of what it shows. Kept once opened; while hidden it costs nothing, and
// showing it draws the history as it stands.
class TrendWindow : public QWidget
{
    Q_OBJECT

public:
    // The period follows the history; "Reset" restarts it, and with it the peak hold.
    TrendWindow(AppContext &context, const ReadingHistory &history, StatisticsPeriod &period,
                QWidget *parent = nullptr);

    // A record was appended to the history, or it was cleared: redrawn at the next screen
    // refresh if shown, so a burst of readings costs one redraw per frame.
    void historyChanged();
    // Describes the run a CSV export begins with, as the recorder describes its logs; without it
    // the export names no port.
    void describeRunsWith(std::function<LogHeader(std::int64_t startUtcMs)> describe)
    {
        describeRun_ = std::move(describe);
    }

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    enum Statistic { Since, Current, Minimum, Maximum, Mean, Deviation, Peak, Count, Unusable, Rate, StatisticCount };
    enum class LabelRefresh { Now, WhenDue };

    QWidget *buildStatistics();
    void redrawAtNextFrame();
    void redraw(LabelRefresh labels);
    void refreshStatistics(LabelRefresh when);
    void resetStatistics();
    TrendScale shownScale() const;
    // The span the choice of span gives, following the newest reading.
    TrendSpan liveSpan() const;
    // What the chart shows: the span held by a zoom or a drag, else the live one.
    TrendSpan shownSpan() const;
    void zoom(double atMs, int steps);
    void pan(double deltaMs);
    void holdView(TrendSpan span);
    void followLive();
    void showCursor(std::optional<double> timeMs);
    void exportCsv();
    void exportPng();
    // Says why the file is not there, in one message.
    void exportFailed(const QString &title, const QString &path, const QString &cause);

    AppContext &context_;
    const ReadingHistory &history_;
    StatisticsPeriod &period_;

    QComboBox *spanBox_ = nullptr;
    QComboBox *valueAxisBox_ = nullptr;
    QComboBox *unitBox_ = nullptr;
    TrendChart *chart_ = nullptr;
    QPushButton *liveButton_ = nullptr;
    QLabel *cursorReadout_ = nullptr;
    std::optional<TrendSpan> view_; // held by a zoom or a drag; the chart follows the readings without
    std::array<QLabel *, StatisticCount> statistics_{};
    QTimer frameTimer_;
    // The labels follow a few times a second, which is as fast as anyone reads them; an hour's
    // statistics are counted afresh each time.
    QTimer statisticsTimer_;
    QElapsedTimer statisticsAge_;
    std::function<LogHeader(std::int64_t startUtcMs)> describeRun_;
};

} // namespace merolan
