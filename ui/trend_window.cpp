#include "ui/trend_window.hpp"

#include "core/reading/conversion.hpp"
#include "core/logs/csv_log.hpp"
#include "core/reading/reading_chain.hpp"
#include "core/history/reading_statistics.hpp"
#include "core/reading/readout_text.hpp"
#include "core/reading/scale_range.hpp"
#include "core/history/trend_columns.hpp"
#include "link/log_file.hpp"
#include "link/reading_recorder.hpp"
#include "ui/app_context.hpp"
#include "ui/trend_chart.hpp"
#include "ui/widget_factory.hpp"

#include <QBuffer>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFormLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace merolan {
namespace {

constexpr QSize kWindowSize{920, 480};
constexpr double kDefaultRefreshHz = 60;
constexpr int kStatisticsIntervalMs = 250;
// "All" with only a few seconds of readings still gets a time axis worth reading.
constexpr std::int64_t kShortestAllMs = 10'000;
// The CSV export goes to the file in pieces of about this size.
constexpr std::size_t kCsvChunkBytes = std::size_t{1} << 20;

const struct {
    const char *caption;
    std::int64_t ms; // 0: everything the history holds
} kSpans[] = {
    {"10 s", 10'000}, {"1 min", 60'000}, {"10 min", 600'000}, {"1 h", 3'600'000}, {"All", 0},
};
constexpr int kDefaultSpan = 1;

const QString kNoValue = QStringLiteral("-");

TrendUnit trendUnitOf(const InstrumentSetup &state)
{
    if (state.relativeMode)
        return TrendUnit::RelativeDb;
    switch (selectedGaugeUnit(state.settings, state.decimalSeparator).value_or(GaugeUnit::Dbm)) {
    case GaugeUnit::Watt:
        return TrendUnit::Watt;
    case GaugeUnit::Volt:
        return TrendUnit::Volt;
    case GaugeUnit::Dbm:
        break;
    }
    return TrendUnit::Dbm;
}

// The gauge's own ends for the unit, read as the gauge reads them; none when they span nothing.
std::optional<ValueRange> gaugeRangeOf(const InstrumentSetup &state, TrendUnit unit)
{
    const GaugeUnit gauge = unit == TrendUnit::Watt   ? GaugeUnit::Watt
                            : unit == TrendUnit::Volt ? GaugeUnit::Volt
                                                      : GaugeUnit::Dbm;
    const ReadingInputs in = readingInputsOf(state);
    const ScaleSpan span = scaleSpan(gauge, in.limitTexts(gauge));
    if (!(span.min < span.max) || !std::isfinite(span.max - span.min))
        return std::nullopt;
    return ValueRange{span.min, span.max};
}

// The newest reading sits at the right edge; the span is half open, so it ends just past it.
// A wheel notch narrows the view to this share; a second and ten years bound it.
constexpr double kZoomPerStep = 0.8;
constexpr std::int64_t kCursorReachMs = 2000;
constexpr double kNarrowestViewMs = 1000;
constexpr double kWidestViewMs = 10.0 * 365 * 86'400'000;

TrendSpan spanOf(const ReadingHistory &history, std::int64_t spanMs, std::int64_t nowMs)
{
    const std::int64_t to = history.empty() ? nowMs : history.timeAt(history.size() - 1) + 1;
    if (spanMs > 0)
        return {to - spanMs, to};
    const std::int64_t oldest = history.empty() ? to : history.timeAt(0);
    return {std::min(oldest, to - kShortestAllMs), to};
}

QString levelText(std::optional<double> value, TrendUnit unit)
{
    if (!value || !std::isfinite(*value))
        return kNoValue;
    switch (unit) {
    case TrendUnit::Dbm:
        return QString::fromStdString(formatDbmText(*value)).trimmed();
    case TrendUnit::RelativeDb:
        return QString::fromStdString(formatDbText(*value)).trimmed();
    case TrendUnit::Watt:
        return QString::fromStdString(formatWattText(*value)).trimmed();
    case TrendUnit::Volt:
        break;
    }
    return QString::fromStdString(formatVoltText(*value)).trimmed();
}

// A spread of levels is a ratio, so in dBm it is given in dB.
QString deviationText(std::optional<double> value, TrendUnit unit)
{
    return levelText(value, unit == TrendUnit::Dbm ? TrendUnit::RelativeDb : unit);
}

// A span without any reading has no count, not a count of none.
QString countText(const TrendStatistics &s, std::size_t count)
{
    return s.count == 0 && s.unusable == 0 ? kNoValue : QString::number(count);
}

QString rateText(std::optional<double> perSecond)
{
    if (!perSecond || !std::isfinite(*perSecond))
        return kNoValue;
    return QStringLiteral("%1 /s").arg(*perSecond, 0, 'f', 1);
}

// A long export keeps the event loop waiting; the pointer says so.
struct WaitCursor {
    WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;
};

} // namespace

TrendWindow::TrendWindow(AppContext &context, const ReadingHistory &history, StatisticsPeriod &period, QWidget *parent)
    : QWidget(parent, Qt::Window), context_(context), history_(history), period_(period)
{
    setObjectName(QStringLiteral("TrendWindow"));
    setWindowTitle(QStringLiteral("Trend"));
    setFont(sansFont(11));
    resize(kWindowSize);

    spanBox_ = new QComboBox(this);
    spanBox_->setObjectName(QStringLiteral("spanBox"));
    for (const auto &span : kSpans)
        spanBox_->addItem(QLatin1String(span.caption), QVariant::fromValue<qint64>(span.ms));
    spanBox_->setCurrentIndex(kDefaultSpan);

    unitBox_ = new QComboBox(this);
    unitBox_->setObjectName(QStringLiteral("unitBox"));
    unitBox_->addItem(QStringLiteral("As the gauge"), -1);
    unitBox_->addItem(QStringLiteral("dBm"), static_cast<int>(TrendUnit::Dbm));
    unitBox_->addItem(QStringLiteral("W"), static_cast<int>(TrendUnit::Watt));
    unitBox_->addItem(QStringLiteral("V"), static_cast<int>(TrendUnit::Volt));
    unitBox_->addItem(QStringLiteral("dB relative"), static_cast<int>(TrendUnit::RelativeDb));
    unitBox_->setToolTip(QStringLiteral("dB relative: every reading against the zero reference as it stands now"));

    valueAxisBox_ = new QComboBox(this);
    valueAxisBox_->setObjectName(QStringLiteral("valueAxisBox"));
    valueAxisBox_->addItem(QStringLiteral("Automatic"), false);
    valueAxisBox_->addItem(QStringLiteral("Gauge scale"), true);

    const auto button = [this](const char *name, const QString &caption) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        return b;
    };
    QPushButton *reset = button("resetButton", QStringLiteral("Reset"));
    reset->setToolTip(QStringLiteral("Restart the statistics with the next reading and clear the peak hold"));
    QPushButton *exportCsvButton = button("exportCsvButton", QStringLiteral("Export CSV…"));
    exportCsvButton->setToolTip(QStringLiteral("Save the readings of the span shown as a CSV file"));
    QPushButton *exportPngButton = button("exportPngButton", QStringLiteral("Export PNG…"));
    exportPngButton->setToolTip(QStringLiteral("Save the chart as a PNG picture"));

    chart_ = new TrendChart(this);
    chart_->setObjectName(QStringLiteral("chart"));
    chart_->setToolTip(QStringLiteral("Wheel: zoom; drag: move along the time; Live: follow the newest reading"));
    liveButton_ = button("liveButton", QStringLiteral("Live"));
    liveButton_->setToolTip(QStringLiteral("Follow the newest reading again; recording and statistics never stop"));
    liveButton_->setEnabled(false);
    cursorReadout_ = new QLabel(this);
    cursorReadout_->setObjectName(QStringLiteral("cursorReadout"));
    cursorReadout_->setTextFormat(Qt::PlainText);

    auto *controls = new QHBoxLayout;
    controls->addWidget(new QLabel(QStringLiteral("Span"), this));
    controls->addWidget(spanBox_);
    controls->addSpacing(12);
    controls->addWidget(new QLabel(QStringLiteral("Unit"), this));
    controls->addWidget(unitBox_);
    controls->addSpacing(12);
    controls->addWidget(new QLabel(QStringLiteral("Vertical axis"), this));
    controls->addWidget(valueAxisBox_);
    controls->addSpacing(12);
    controls->addWidget(liveButton_);
    controls->addStretch(1);
    controls->addWidget(reset);
    controls->addWidget(exportCsvButton);
    controls->addWidget(exportPngButton);

    // The readout has the chart's width to itself: a reason for a missing level can be long.
    auto *plot = new QVBoxLayout;
    plot->addWidget(chart_, 1);
    plot->addWidget(cursorReadout_);
    auto *body = new QHBoxLayout;
    body->addLayout(plot, 1);
    body->addWidget(buildStatistics());

    auto *window = new QVBoxLayout(this);
    window->addLayout(controls);
    window->addLayout(body, 1);

    frameTimer_.setSingleShot(true);
    connect(&frameTimer_, &QTimer::timeout, this, [this] {
        if (isVisible())
            redraw(LabelRefresh::WhenDue);
    });
    statisticsTimer_.setSingleShot(true);
    connect(&statisticsTimer_, &QTimer::timeout, this, [this] {
        if (isVisible())
            refreshStatistics(LabelRefresh::Now);
    });
    const auto choiceChanged = [this] {
        if (isVisible())
            redraw(LabelRefresh::Now);
    };
    connect(spanBox_, &QComboBox::currentIndexChanged, this, choiceChanged);
    connect(valueAxisBox_, &QComboBox::currentIndexChanged, this, choiceChanged);
    connect(unitBox_, &QComboBox::currentIndexChanged, this, choiceChanged);
    connect(reset, &QPushButton::clicked, this, &TrendWindow::resetStatistics);
    connect(liveButton_, &QPushButton::clicked, this, &TrendWindow::followLive);
    connect(chart_, &TrendChart::zoomRequested, this, &TrendWindow::zoom);
    connect(chart_, &TrendChart::panRequested, this, &TrendWindow::pan);
    connect(chart_, &TrendChart::pointerAt, this, &TrendWindow::showCursor);
    connect(exportCsvButton, &QPushButton::clicked, this, &TrendWindow::exportCsv);
    connect(exportPngButton, &QPushButton::clicked, this, &TrendWindow::exportPng);
}

QWidget *TrendWindow::buildStatistics()
{
    auto *box = new QGroupBox(QStringLiteral("Statistics"), this);
    box->setObjectName(QStringLiteral("statisticsFrame"));
    box->setToolTip(QStringLiteral("Of the span shown, counted from the last Reset; with All, of every reading "
                                   "since the Reset, including those the history no longer holds"));
    auto *form = new QFormLayout(box);
    const char *meanTip = "The mean power, shown in the unit: the mean of 0 dBm and -20 dBm is -2.97 dBm, not -10 dBm.";
    const char *peakTip = "The highest level since the last Reset, whatever the span shown; the maximum is the "
                          "highest of the readings the statistics cover";
    const char *sinceTip = "The statistics cover the readings from here on: the span shown, from the last Reset";
    const struct {
        Statistic statistic;
        const char *name;
        const char *caption;
        const char *tip;
    } rows[] = {
        {Since, "sinceValue", "Since", sinceTip},
        {Current, "currentValue", "Current", nullptr},
        {Minimum, "minimumValue", "Minimum", nullptr},
        {Maximum, "maximumValue", "Maximum", nullptr},
        {Mean, "meanValue", "Mean", meanTip},
        {Deviation, "deviationValue", "Std. dev.", nullptr},
        {Peak, "peakValue", "Peak hold", peakTip},
        {Count, "countValue", "Readings", nullptr},
        {Unusable, "unusableValue", "Without a level", nullptr},
        {Rate, "rateValue", "Rate", nullptr},
    };
    for (const auto &row : rows) {
        auto *value = new QLabel(kNoValue, box);
        value->setObjectName(QLatin1String(row.name));
        value->setTextFormat(Qt::PlainText);
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        // Wide enough for "-123.45 dBm", so the panel does not jump while the values change.
        value->setMinimumWidth(110);
        auto *caption = new QLabel(QLatin1String(row.caption), box);
        if (row.tip) {
            caption->setToolTip(QLatin1String(row.tip));
            value->setToolTip(QLatin1String(row.tip));
        }
        form->addRow(caption, value);
        statistics_[row.statistic] = value;
    }
    return box;
}

// dB against the zero reference are taken from every level against the zero reference as it
// stands now, so readings from before relative mode was switched on, or before the latest zero
// reference, show as well.
TrendScale TrendWindow::shownScale() const
{
    const int chosen = unitBox_->currentData().toInt();
    const InstrumentSetup &setup = context_.instrument.setup();
    return {chosen < 0 ? trendUnitOf(setup) : static_cast<TrendUnit>(chosen), setup.zeroReferenceDbm};
}

TrendSpan TrendWindow::liveSpan() const
{
    return spanOf(history_, spanBox_->currentData().toLongLong(), QDateTime::currentMSecsSinceEpoch());
}

TrendSpan TrendWindow::shownSpan() const
{
    return view_.value_or(liveSpan());
}

void TrendWindow::zoom(double atMs, int steps)
{
    const TrendSpan span = shownSpan();
    const double width = static_cast<double>(span.toMs - span.fromMs);
    const double newWidth = std::clamp(width * std::pow(kZoomPerStep, steps), kNarrowestViewMs, kWidestViewMs);
    const double share = width > 0 ? (atMs - static_cast<double>(span.fromMs)) / width : 0.5;
    const auto from = static_cast<std::int64_t>(atMs - std::clamp(share, 0.0, 1.0) * newWidth);
    holdView({from, from + static_cast<std::int64_t>(newWidth)});
}

void TrendWindow::pan(double deltaMs)
{
    const TrendSpan span = shownSpan();
    const auto shift = static_cast<std::int64_t>(deltaMs);
    holdView({span.fromMs + shift, span.toMs + shift});
}

void TrendWindow::holdView(TrendSpan span)
{
    view_ = span;
    liveButton_->setEnabled(true);
    redraw(LabelRefresh::WhenDue);
}

void TrendWindow::followLive()
{
    view_.reset();
    liveButton_->setEnabled(false);
    redraw(LabelRefresh::Now);
}

void TrendWindow::showCursor(std::optional<double> timeMs)
{
    if (!timeMs || history_.empty()) {
        cursorReadout_->clear();
        return;
    }
    const TrendSpan span = shownSpan();
    // Three pixel columns either side are what the eye takes for "under the pointer"; zoomed in
    // closer than the readings come, the nearest within two seconds still is.
    const std::int64_t reach = 3 * (span.toMs - span.fromMs) / std::max(1, chart_->plotColumns());
    const CursorPoint point =
        cursorAt(history_, static_cast<std::int64_t>(*timeMs), std::max<std::int64_t>(reach, kCursorReachMs));
    const auto timeText = [this](std::size_t index) {
        return QDateTime::fromMSecsSinceEpoch(history_.timeAt(index)).toString(QStringLiteral("HH:mm:ss.zzz"));
    };
    if (point.reading) {
        const TrendScale scale = shownScale();
        const std::optional<double> value = history_.valueAt(*point.reading, scale);
        cursorReadout_->setText(
            timeText(*point.reading) + QStringLiteral("  ") +
            (value ? levelText(value, scale.unit)
                   : QStringLiteral("no level: ") + QString::fromStdString(history_.at(*point.reading).note)));
    } else {
        cursorReadout_->setText(QStringLiteral("No reading here (%1 to %2)")
                                    .arg(point.before ? timeText(*point.before) : QStringLiteral("start"),
                                         point.after ? timeText(*point.after) : QStringLiteral("now")));
    }
}

void TrendWindow::historyChanged()
{
    redrawAtNextFrame();
}

void TrendWindow::redrawAtNextFrame()
{
    if (!isVisible() || frameTimer_.isActive())
        return;
    const QScreen *s = screen();
    const double hz = s ? s->refreshRate() : 0;
    frameTimer_.start(qRound(1000.0 / (hz >= 1 && hz <= 1000 ? hz : kDefaultRefreshHz)));
}

void TrendWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    redraw(LabelRefresh::Now);
}

void TrendWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    // The chart's new width is known once its layout has run.
    redrawAtNextFrame();
}

void TrendWindow::redraw(LabelRefresh labels)
{
    frameTimer_.stop();
    const TrendScale scale = shownScale();
    const TrendSpan span = shownSpan();
    TrendPlot plot;
    plot.columns = chart_->plotColumns();
    plot.columnValues = decimate(history_, scale, span.fromMs, span.toMs, plot.columns);
    plot.fromMs = span.fromMs;
    plot.toMs = span.toMs;
    plot.unit = scale.unit;
    // The mark sits just after the last reading before the reset, where the period begins.
    if (const auto resetMs = period_.resetMs(); resetMs && *resetMs >= span.fromMs && *resetMs < span.toMs - 1)
        plot.resetMs = *resetMs + 1;
    if (valueAxisBox_->currentData().toBool())
        plot.fixedRange = gaugeRangeOf(context_.instrument.setup(), scale.unit);
    chart_->chart()->setTitle(history_.empty() ? QStringLiteral("Waiting for readings…") : QString());
    chart_->draw(plot);
    refreshStatistics(labels);
}

void TrendWindow::refreshStatistics(LabelRefresh when)
{
    if (when == LabelRefresh::WhenDue && statisticsAge_.isValid() && statisticsAge_.elapsed() < kStatisticsIntervalMs) {
        if (!statisticsTimer_.isActive())
            statisticsTimer_.start(kStatisticsIntervalMs - static_cast<int>(statisticsAge_.elapsed()));
        return;
    }
    statisticsTimer_.stop();
    statisticsAge_.start();
    const TrendScale scale = shownScale();
    const TrendUnit unit = scale.unit;
    // "All" is the whole period, kept up to date with every reading, so it costs nothing however
    // long the run; a shorter span is counted over the readings it holds.
    const TrendStatistics s =
        spanBox_->currentData().toLongLong() == 0
            ? summarizePeriod(history_, period_, scale)
            : summarizePeriodFrom(history_, period_, scale, history_.firstAtOrAfter(liveSpan().fromMs));
    statistics_[Since]->setText(
        s.sinceMs ? QDateTime::fromMSecsSinceEpoch(*s.sinceMs).toString(QStringLiteral("HH:mm:ss")) : kNoValue);
    statistics_[Current]->setText(levelText(s.current, unit));
    statistics_[Minimum]->setText(levelText(s.minimum, unit));
    statistics_[Maximum]->setText(levelText(s.maximum, unit));
    statistics_[Mean]->setText(levelText(s.mean, unit));
    statistics_[Deviation]->setText(deviationText(s.standardDeviation, unit));
    statistics_[Peak]->setText(levelText(s.peak, unit));
    statistics_[Count]->setText(countText(s, s.count));
    statistics_[Unusable]->setText(countText(s, s.unusable));
    statistics_[Rate]->setText(rateText(s.readingsPerSecond));
}

void TrendWindow::resetStatistics()
{
    period_.reset(history_);
    if (isVisible())
        redraw(LabelRefresh::Now);
}

void TrendWindow::exportCsv()
{
    const QString title = QStringLiteral("Export CSV");
    const QString path = context_.dialogs.chooseSaveFile(
        this, title, suggestedDocumentPath(QStringLiteral("merolan-trend"), QStringLiteral("csv")),
        QStringLiteral("CSV files (*.csv)"));
    if (path.isEmpty())
        return;
    const WaitCursor wait;
    // The export reads as a recording that began with its first reading.
    // What the window shows: the readings of the span on the chart, zoomed or not.
    const TrendSpan span = shownSpan();
    const std::size_t first = history_.firstAtOrAfter(span.fromMs);
    const std::size_t end = history_.firstAtOrAfter(span.toMs);
    const std::int64_t start = first < end ? history_.timeAt(first) : QDateTime::currentMSecsSinceEpoch();
    WholeFile file(path);
    std::string text = csvHead(describeRun_ ? describeRun_(start) : logHeaderAt(context_.instrument.setup(), {}, {}, start));
    std::optional<QString> failure;
    for (std::size_t i = first; i < end && !failure; ++i) {
        text += csvRow(history_.at(i), start);
        if (text.size() >= kCsvChunkBytes) {
            failure = file.write(text);
            text.clear();
        }
    }
    if (!failure)
        failure = file.write(text);
    if (!failure)
        failure = file.commit();
    if (failure)
        exportFailed(title, path, *failure);
}

void TrendWindow::exportPng()
{
    const QString title = QStringLiteral("Export PNG");
    const QString path = context_.dialogs.chooseSaveFile(
        this, title, suggestedDocumentPath(QStringLiteral("merolan-trend"), QStringLiteral("png")),
        QStringLiteral("PNG pictures (*.png)"));
    if (path.isEmpty())
        return;
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!chart_->grab().save(&buffer, "PNG")) {
        exportFailed(title, path, QStringLiteral("the picture could not be encoded as PNG"));
        return;
    }
    WholeFile file(path);
    std::optional<QString> failure =
        file.write(std::string_view(png.constData(), static_cast<std::size_t>(png.size())));
    if (!failure)
        failure = file.commit();
    if (failure)
        exportFailed(title, path, *failure);
}

void TrendWindow::exportFailed(const QString &title, const QString &path, const QString &cause)
{
    context_.dialogs.showMessage(
        this, UserDialogs::Icon::Error, title,
        QStringLiteral("%1 was not written: %2. A file of that name that was there before is left as it was.")
            .arg(QDir::toNativeSeparators(path), cause));
}

} // namespace merolan
