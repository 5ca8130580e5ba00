// Redraws of the trend at a plot 1000 pixels wide, for an hour and for a day of readings at 10
// per second.
#include "core/history/reading_history.hpp"
#include "core/history/statistics_period.hpp"
#include "core/history/trend_columns.hpp"
#include "ui/app_context.hpp"
#include "ui/trend_chart.hpp"
#include "ui/trend_window.hpp"
#include "ui/user_dialogs.hpp"

#include <QApplication>
#include <QComboBox>
#include <QImage>

#include <benchmark/benchmark.h>

#include <cmath>

using namespace merolan;

namespace {

constexpr std::int64_t kStartMs = 1'796'828'220'000;

// benchmark_main owns main(), so the application is made on first use. It is never destroyed:
// at exit Qt's own globals may already be gone, and tearing it down then crashes.
void ensureApplication()
{
    static int argc = 1;
    static char name[] = "merolan_trend_bench";
    static char *argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    [[maybe_unused]] static const QApplication *app = new QApplication(argc, argv);
}

// A generator sweeping -60..0 dBm every 20 seconds with a little noise, and now and then a
// reading without a level, as when the attenuator box is being edited. The period counts them
// all, as the recorder's does.
void fill(ReadingHistory &history, StatisticsPeriod &period, std::size_t count)
{
    for (std::size_t n = 0; n < count; ++n) {
        ReadingRecord r;
        r.timeUtcMs = kStartMs + static_cast<std::int64_t>(n) * 100;
        r.elapsedS = static_cast<double>(n) / 10.0;
        if (n % 5000 != 4999)
            r.levelDbm = -60.0 + 0.3 * static_cast<double>(n % 200) + 0.2 * std::sin(static_cast<double>(n) * 1.7);
        else
            r.note = "The attenuator is not a number";
        history.append(r);
        period.add(history);
    }
}

// Widens `widget` until the chart's plot area is `columns` pixels wide.
void fitPlotWidth(QWidget &widget, const TrendChart &chart, int columns)
{
    for (int pass = 0; pass < 3 && chart.plotColumns() != columns; ++pass) {
        widget.resize(widget.width() + columns - chart.plotColumns(), widget.height());
        QApplication::processEvents();
    }
}

// What each screen refresh costs while readings arrive: decimation, the series refilled and
// the chart rendered.
void chartRedraw(benchmark::State &state, std::int64_t spanMs)
{
    ensureApplication();
    ReadingHistory history;
    StatisticsPeriod period;
    fill(history, period, static_cast<std::size_t>(state.range(0)));
    TrendChart chart;
    chart.resize(1100, 500);
    chart.show();
    QApplication::processEvents();
    fitPlotWidth(chart, chart, 1000);
    QImage image(chart.size(), QImage::Format_ARGB32_Premultiplied);

    const std::int64_t toMs = history.timeAt(history.size() - 1) + 1;
    TrendPlot plot;
    plot.fromMs = spanMs > 0 ? toMs - spanMs : history.timeAt(0);
    plot.toMs = toMs;
    for (auto _ : state) {
        plot.columns = chart.plotColumns();
        plot.columnValues = decimate(history, {}, plot.fromMs, plot.toMs, plot.columns);
        chart.draw(plot);
        chart.QWidget::render(&image);
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["columns"] = chart.plotColumns();
}

// What a change of span or axis costs in the window: the chart as above and the statistics of
// the span as well.
void windowRedraw(benchmark::State &state, const char *span)
{
    ensureApplication();
    SilentDialogs dialogs;
    AppContext context{Instrument(), {}, dialogs};
    ReadingHistory history;
    StatisticsPeriod period;
    fill(history, period, static_cast<std::size_t>(state.range(0)));
    TrendWindow window(context, history, period);
    window.resize(1300, 600);
    window.show();
    QApplication::processEvents();
    auto *spanBox = window.findChild<QComboBox *>(QStringLiteral("spanBox"));
    auto *valueAxisBox = window.findChild<QComboBox *>(QStringLiteral("valueAxisBox"));
    auto *chart = window.findChild<TrendChart *>(QStringLiteral("chart"));
    fitPlotWidth(window, *chart, 1000);
    spanBox->setCurrentIndex(spanBox->findText(QLatin1String(span)));
    QImage image(chart->size(), QImage::Format_ARGB32_Premultiplied);

    int axisChoice = 0;
    for (auto _ : state) {
        // A change of the vertical-axis choice redraws at once; with no gauge limits set both
        // choices fit the axis to the values, so every pass draws the same picture.
        axisChoice ^= 1;
        valueAxisBox->setCurrentIndex(axisChoice);
        chart->QWidget::render(&image);
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["columns"] = chart->plotColumns();
}

} // namespace

BENCHMARK_CAPTURE(chartRedraw, minute, 60'000)->Arg(36'000)->Arg(864'000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(chartRedraw, hour, 3'600'000)->Arg(36'000)->Arg(864'000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(chartRedraw, all, 0)->Arg(36'000)->Arg(864'000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(windowRedraw, minute, "1 min")->Arg(36'000)->Arg(864'000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(windowRedraw, all, "All")->Arg(36'000)->Arg(864'000)->Unit(benchmark::kMillisecond);
