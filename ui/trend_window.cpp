#include "ui/trend_window.hpp"

#include "core/conversion.hpp"
#include "core/csv_log.hpp"
#include "core/reading_chain.hpp"
#include "core/reading_statistics.hpp"
#include "core/readout_text.hpp"
#include "core/scale_range.hpp"
#include "core/trend_columns.hpp"
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

TrendUnit trendUnitOf(const AppState &state)
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
std::optional<ValueRange> gaugeRangeOf(const AppState &state, TrendUnit unit)
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

struct Span {
    std::int64_t fromMs;
    std::int64_t toMs;
};

// The newest reading sits at the right edge; the span is half open, so it ends just past it.
Span spanOf(const ReadingHistory &history, std::int64_t spanMs, std::int64_t nowMs)
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

TrendWindow::TrendWindow(AppContext &context, ReadingHistory &history, QWidget *parent)
    : QWidget(parent, Qt::Window), context_(context), history_(history)
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
    exportCsvButton->setToolTip(QStringLiteral("Save every reading the trend holds as a CSV file"));
    QPushButton *exportPngButton = button("exportPngButton", QStringLiteral("Export PNG…"));
    exportPngButton->setToolTip(QStringLiteral("Save the chart as a PNG picture"));

    chart_ = new TrendChart(this);
    chart_->setObjectName(QStringLiteral("chart"));

    auto *controls = new QHBoxLayout;
    controls->addWidget(new QLabel(QStringLiteral("Span"), this));
    controls->addWidget(spanBox_);
    controls->addSpacing(12);
    controls->addWidget(new QLabel(QStringLiteral("Vertical axis"), this));
    controls->addWidget(valueAxisBox_);
    controls->addStretch(1);
    controls->addWidget(reset);
    controls->addWidget(exportCsvButton);
    controls->addWidget(exportPngButton);

    auto *body = new QHBoxLayout;
    body->addWidget(chart_, 1);
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
    connect(reset, &QPushButton::clicked, this, &TrendWindow::resetStatistics);
    connect(exportCsvButton, &QPushButton::clicked, this, &TrendWindow::exportCsv);
    connect(exportPngButton, &QPushButton::clicked, this, &TrendWindow::exportPng);
}

QWidget *TrendWindow::buildStatistics()
{
    auto *box = new QGroupBox(QStringLiteral("Statistics"), this);
    box->setObjectName(QStringLiteral("statisticsFrame"));
    box->setToolTip(QStringLiteral("Of the span shown, counted from the last Reset"));
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
    const TrendUnit unit = trendUnitOf(context_.state);
    const Span span = spanOf(history_, spanBox_->currentData().toLongLong(), QDateTime::currentMSecsSinceEpoch());
    TrendPlot plot;
    plot.columns = chart_->plotColumns();
    plot.columnValues = decimate(history_, unit, span.fromMs, span.toMs, plot.columns);
    plot.fromMs = span.fromMs;
    plot.toMs = span.toMs;
    plot.unit = unit;
    if (statisticsFromMs_ > span.fromMs && statisticsFromMs_ < span.toMs)
        plot.resetMs = statisticsFromMs_;
    if (valueAxisBox_->currentData().toBool())
        plot.fixedRange = gaugeRangeOf(context_.state, unit);
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
    const TrendUnit unit = trendUnitOf(context_.state);
    const Span span = spanOf(history_, spanBox_->currentData().toLongLong(), QDateTime::currentMSecsSinceEpoch());
    const std::size_t first = history_.firstAtOrAfter(std::max(span.fromMs, statisticsFromMs_));
    const TrendStatistics s = summarize(history_, unit, first);
    statistics_[Since]->setText(
        first < history_.size()
            ? QDateTime::fromMSecsSinceEpoch(history_.timeAt(first)).toString(QStringLiteral("HH:mm:ss"))
            : kNoValue);
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
    // The records' own stamps decide, not the clock now: every reading that arrives after the
    // reset counts, whatever the clocks say.
    if (!history_.empty())
        statisticsFromMs_ = history_.timeAt(history_.size() - 1) + 1;
    history_.resetPeak();
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
    const std::int64_t start = history_.empty() ? QDateTime::currentMSecsSinceEpoch() : history_.timeAt(0);
    WholeFile file(path);
    std::string text = csvHead(describeRun_ ? describeRun_(start) : logHeaderAt(context_.state, {}, {}, start));
    std::optional<QString> failure;
    for (std::size_t i = 0; i < history_.size() && !failure; ++i) {
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
