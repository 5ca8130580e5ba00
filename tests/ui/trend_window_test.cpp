#include "ui/trend_window.hpp"

#include "link/log_file.hpp"
#include "link/reading_recorder.hpp"
#include "support/file_size_limit.hpp"
#include "support/reading_records.hpp"
#include "support/scripted_dialogs.hpp"
#include "ui/app_context.hpp"
#include "ui/trend_chart.hpp"

#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QValueAxis>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include <string>

using namespace merolan;
using merolan::testing::FileSizeLimit;
using merolan::testing::RecordedRun;

namespace {

constexpr std::int64_t kStart = 1'700'000'000'000; // 2023-11-14 22:13:20 UTC
constexpr std::int64_t kSecond = 1000;

ReadingRecord reading(std::int64_t timeUtcMs, std::optional<double> dbm, std::optional<double> relativeDb = {})
{
    ReadingRecord r;
    r.timeUtcMs = timeUtcMs;
    r.levelDbm = dbm;
    r.relativeDb = relativeDb;
    if (!dbm)
        r.note = "No level";
    return r;
}

class TrendWindowTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    AppContext context{Instrument(), {}, dialogs};
    RecordedRun run{10'000};
    TrendWindow window{context, run.history, run.period};

    template <class W>
    W *find(const char *name)
    {
        W *widget = window.findChild<W *>(QLatin1String(name));
        EXPECT_TRUE(widget) << name;
        return widget;
    }
    QString value(const char *name) { return find<QLabel>(name)->text(); }
    TrendChart *chart() { return find<TrendChart>("chart"); }
    QValueAxis *valueAxis() { return qobject_cast<QValueAxis *>(chart()->chart()->axes(Qt::Vertical).front()); }
    void choose(const char *box, const char *item)
    {
        QComboBox *combo = find<QComboBox>(box);
        combo->setCurrentIndex(combo->findText(QLatin1String(item)));
    }
    // Showing draws the history as it stands, without waiting for a frame.
    void showAfresh()
    {
        window.hide();
        window.show();
    }
    void exportTo(const QString &path)
    {
        dialogs.fileAnswers.push_back(path);
        find<QPushButton>("exportCsvButton")->click();
    }
};

} // namespace

TEST_F(TrendWindowTest, StatisticsDescribeTheSpanInTheGaugeUnit)
{
    run.append(reading(kStart, 0.0));
    run.append(reading(kStart + kSecond, std::nullopt));
    run.append(reading(kStart + 2 * kSecond, -20.0));
    const struct {
        int gaugeUnit;
        const char *current, *minimum, *maximum, *mean, *deviation, *peak;
    } cases[] = {
        {1, "-20 dBm", "-20 dBm", "0 dBm", "-2.97 dBm", "14.14 dB", "0 dBm"},
        {2, "10 uW", "10 uW", "1 mW", "505 uW", "700.04 uW", "1 mW"},
    };
    for (const auto &c : cases) {
        context.instrument.change().settings.gaugeUnit = static_cast<std::int16_t>(c.gaugeUnit);
        showAfresh();
        EXPECT_EQ(value("currentValue"), c.current) << c.gaugeUnit;
        EXPECT_EQ(value("minimumValue"), c.minimum) << c.gaugeUnit;
        EXPECT_EQ(value("maximumValue"), c.maximum) << c.gaugeUnit;
        EXPECT_EQ(value("meanValue"), c.mean) << c.gaugeUnit;
        EXPECT_EQ(value("deviationValue"), c.deviation) << c.gaugeUnit;
        EXPECT_EQ(value("peakValue"), c.peak) << c.gaugeUnit;
        EXPECT_EQ(value("countValue"), "2") << c.gaugeUnit;
        EXPECT_EQ(value("unusableValue"), "1") << c.gaugeUnit;
        EXPECT_EQ(value("rateValue"), "1.0 /s") << c.gaugeUnit;
    }
}

TEST_F(TrendWindowTest, ResetCountsOnlyLaterReadingsAndRestartsThePeak)
{
    window.show();
    run.append(reading(kStart, 0.0));
    find<QPushButton>("resetButton")->click();
    for (const char *label : {"currentValue", "meanValue", "peakValue", "countValue", "rateValue"})
        EXPECT_EQ(value(label), "-") << label;
    EXPECT_EQ(value("sinceValue"), "-");
    run.append(reading(kStart + kSecond, -30.0));
    run.append(reading(kStart + 2 * kSecond, -35.0));
    showAfresh();
    EXPECT_EQ(value("countValue"), "2");
    // The period the statistics cover says where it begins; within it peak hold and maximum agree.
    EXPECT_EQ(value("sinceValue"), QDateTime::fromMSecsSinceEpoch(kStart + kSecond).toString("HH:mm:ss"));
    EXPECT_EQ(value("peakValue"), "-30 dBm");
    EXPECT_EQ(value("maximumValue"), value("peakValue"));
}

TEST_F(TrendWindowTest, TheUnitFollowsTheGaugeAndRelativeMode)
{
    run.append(reading(kStart, -10.0, 3.0));
    const struct {
        int gaugeUnit;
        bool relative;
        const char *title, *current;
    } cases[] = {
        {1, false, "Level (dBm)", "-10 dBm"},
        {2, false, "Power (uW)", "100 uW"},
        {3, false, "Voltage (mV)", "70.71 mV"},
        {2, true, "Relative level (dB)", "3 dB"},
    };
    context.instrument.change().zeroReferenceDbm = -13;
    for (const auto &c : cases) {
        context.instrument.change().settings.gaugeUnit = static_cast<std::int16_t>(c.gaugeUnit);
        context.instrument.change().relativeMode = c.relative;
        showAfresh();
        EXPECT_EQ(valueAxis()->titleText(), c.title) << c.title;
        EXPECT_EQ(value("currentValue"), c.current) << c.title;
    }

    // Chosen in the window, whatever the gauge shows; dB against the zero reference come from
    // every level, so a reading taken before relative mode does not vanish.
    context.instrument.change().relativeMode = false;
    run.append(reading(kStart + kSecond, -20.0));
    const std::pair<const char *, const char *> chosen[] = {
        {"W", "10 uW"}, {"V", "22.36 mV"}, {"dB relative", "-7 dB"}, {"dBm", "-20 dBm"}};
    for (const auto &[unit, current] : chosen) {
        choose("unitBox", unit);
        showAfresh();
        EXPECT_EQ(value("currentValue"), current) << unit;
        EXPECT_EQ(value("countValue"), "2") << unit;
    }
}

TEST_F(TrendWindowTest, GaugeScaleFixesTheValueAxisUnlessItSpansNothing)
{
    run.append(reading(kStart, -20.0));
    const struct {
        int gaugeUnit;
        const char *max, *min;
        double axisMin, axisMax; // in the axis unit
    } cases[] = {
        {1, "0", "-60.5", -61, 0},
        {2, "0.5", "0", 0, 500},                       // watts, shown in mW
        {1, "-20", "-20", -20.5 - 0.05, -19.5 + 0.05}, // no span: fitted around the reading
    };
    choose("valueAxisBox", "Gauge scale");
    for (const auto &c : cases) {
        MeterSettings &s = context.instrument.change().settings;
        s.gaugeUnit = static_cast<std::int16_t>(c.gaugeUnit);
        s.dbmScaleMax = s.wattScaleMax = std::string(c.max);
        s.dbmScaleMin = s.wattScaleMin = std::string(c.min);
        showAfresh();
        EXPECT_DOUBLE_EQ(valueAxis()->min(), c.axisMin) << c.max << " " << c.min;
        EXPECT_DOUBLE_EQ(valueAxis()->max(), c.axisMax) << c.max << " " << c.min;
    }
}

TEST_F(TrendWindowTest, TheSpanChoiceLimitsTheReadingsShown)
{
    constexpr int kReadings = 7200; // two hours, one a second
    for (int i = 0; i < kReadings; ++i)
        run.append(reading(kStart + i * kSecond, -30.0 + (i % 7)));
    const std::int64_t newest = kStart + (kReadings - 1) * kSecond;
    const std::pair<const char *, int> cases[] = {
        {"10 s", 10}, {"1 min", 60}, {"10 min", 600}, {"1 h", 3600}, {"All", kReadings},
    };
    window.show();
    for (const auto &[span, readings] : cases) {
        choose("spanBox", span);
        EXPECT_EQ(value("countValue"), QString::number(readings)) << span;
        const auto &runs = chart()->traceRunsShown();
        ASSERT_EQ(runs.size(), 1u) << span;
        const QList<QPointF> points = runs.front().upper;
        const auto oldestShown = static_cast<double>(newest - (readings - 1) * kSecond);
        // Each column sits mid-pixel, so the first point may lie up to a pixel before its reading.
        const double pixelMs = static_cast<double>(readings * kSecond) / chart()->plotColumns();
        EXPECT_GE(points.front().x(), oldestShown - pixelMs) << span;
        EXPECT_LE(points.back().x(), static_cast<double>(newest) + pixelMs) << span;
    }
}

TEST_F(TrendWindowTest, AnUnusableReadingBreaksTheLine)
{
    for (int i = 0; i < 10; ++i)
        run.append(reading(kStart + i * kSecond, i == 5 ? std::nullopt : std::optional(-10.0 - i)));
    choose("spanBox", "10 s");
    window.show();
    const auto &runs = chart()->traceRunsShown();
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_LT(runs[0].upper.back().x(), static_cast<double>(kStart + 5 * kSecond));
    EXPECT_GT(runs[1].upper.front().x(), static_cast<double>(kStart + 5 * kSecond));
}

TEST_F(TrendWindowTest, ExportCsvWritesEveryRecordOrSaysWhyNot)
{
    ReadingRecord r = reading(kStart, 0.0);
    r.elapsedS = 1.5; // since a Start of measuring: the export counts from its first reading instead
    r.voltageV = 0.25;
    r.powerW = 0.001;
    r.rmsV = 0.22360679774997896;
    r.range = 2;
    r.attenuatorDb = 10.0;
    run.append(r);
    run.append(reading(kStart + 100, std::nullopt));

    const QString good = dir.filePath(QStringLiteral("trend.csv"));
    exportTo(good);
    QFile written(good);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    // The same description a recording begins with, started at the first reading.
    const QByteArray head = QByteArray::fromStdString(csvHead(logHeaderAt(context.instrument.setup(), {}, {}, kStart)));
    EXPECT_EQ(written.read(head.size()), head);
    EXPECT_EQ(written.readAll(), "2023-11-14T22:13:20.000Z,0.000,0.2500000,0.000,,0.001,0.223607,mid,10,0,,1,,\r\n"
                                 "2023-11-14T22:13:20.100Z,0.100,0.0000000,,,,,,,0,No level,1,,\r\n");
    EXPECT_TRUE(dialogs.messages.empty());

    const QString bad = dir.filePath(QStringLiteral("missing/trend.csv"));
    exportTo(bad);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].icon, UserDialogs::Icon::Error);
    EXPECT_TRUE(dialogs.messages[0].text.contains(bad + QStringLiteral(" was not written: its folder does not exist")))
        << dialogs.messages[0].text.toStdString();
    EXPECT_FALSE(QFile::exists(bad));
}

TEST_F(TrendWindowTest, AnExportIsCompleteOrNotThereAndAnOldFileStays)
{
    for (int i = 0; i < 2000; ++i)
        run.append(reading(kStart + i * 100, -30.0 - i % 7));
    window.show();
    const std::pair<const char *, const char *> cases[] = {{"exportCsvButton", "trend.csv"},
                                                           {"exportPngButton", "trend.png"}};
    for (const auto &[button, name] : cases) {
        const QString path = dir.filePath(QLatin1String(name));
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old");
        old.close();
        dialogs.messages.clear();
        {
            const FileSizeLimit limit(1024);
            dialogs.fileAnswers.push_back(path);
            find<QPushButton>(button)->click();
        }
        ASSERT_EQ(dialogs.messages.size(), 1u) << name;
        const QString text = dialogs.messages[0].text;
        EXPECT_TRUE(text.contains(path)) << text.toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("the file has reached the size limit"))) << text.toStdString();
        ASSERT_TRUE(old.open(QIODevice::ReadOnly));
        EXPECT_EQ(old.readAll(), "old") << name;
        old.close();
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QLatin1String(name)}) << name;
        ASSERT_TRUE(old.remove());
    }
}

TEST_F(TrendWindowTest, RedrawsWaitWhileHiddenAndThenForTheNextFrame)
{
    run.append(reading(kStart, -10.0));
    window.historyChanged();
    QTest::qWait(50);
    EXPECT_TRUE(chart()->traceRunsShown().empty());
    EXPECT_EQ(value("countValue"), "-");

    window.show();
    EXPECT_EQ(chart()->traceRunsShown().size(), 1u);
    EXPECT_EQ(value("countValue"), "1");

    const QList<QPointF> drawn = chart()->traceRunsShown().front().upper;
    run.append(reading(kStart + kSecond, -11.0));
    window.historyChanged();
    EXPECT_EQ(chart()->traceRunsShown().front().upper, drawn);
    for (int i = 0; i < 200 && chart()->traceRunsShown().front().upper == drawn; ++i)
        QTest::qWait(10);
    EXPECT_NE(chart()->traceRunsShown().front().upper, drawn);
}

// The wheel zooms around the pointer and holds the view, the cursor reads the nearest reading,
// and Live follows the newest reading again; meanwhile the statistics go on counting.
TEST_F(TrendWindowTest, ZoomHoldsTheViewTheCursorReadsAndLiveFollowsAgain)
{
    choose("spanBox", "All");
    showAfresh();
    EXPECT_EQ(chart()->chart()->title(), "Waiting for readings…");
    for (int i = 0; i < 60; ++i)
        run.append(reading(kStart + i * kSecond, -40.0 + i));
    showAfresh();
    EXPECT_EQ(chart()->chart()->title(), "");
    auto *live = find<QPushButton>("liveButton");
    EXPECT_FALSE(live->isEnabled());

    const QRectF plot = chart()->chart()->plotArea();
    const QPoint middle = chart()->mapFromScene(chart()->chart()->mapToScene(plot.center()));
    const double before = chart()->timeAt(QPoint(static_cast<int>(plot.right()), middle.y())) - chart()->timeAt(middle);
    QWheelEvent closer(middle, chart()->mapToGlobal(middle), {}, {0, 3 * 120}, Qt::NoButton, Qt::NoModifier,
                       Qt::NoScrollPhase, false);
    QApplication::sendEvent(chart()->viewport(), &closer);
    EXPECT_TRUE(live->isEnabled());
    const double after = chart()->timeAt(QPoint(static_cast<int>(plot.right()), middle.y())) - chart()->timeAt(middle);
    EXPECT_LT(after, before * 0.6);

    // The pointer over the plot names the nearest reading's time and level.
    QMouseEvent move(QEvent::MouseMove, middle, chart()->mapToGlobal(middle), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(chart()->viewport(), &move);
    const std::int64_t at = static_cast<std::int64_t>(chart()->timeAt(middle));
    const std::size_t nearest =
        std::min<std::size_t>(59, static_cast<std::size_t>((at - kStart + kSecond / 2) / kSecond));
    EXPECT_TRUE(value("cursorReadout").contains(QString::number(-40 + static_cast<int>(nearest)) + " dBm"))
        << value("cursorReadout").toStdString();

    run.append(reading(kStart + 60 * kSecond, 30.0));
    showAfresh();
    EXPECT_EQ(value("countValue"), "61"); // still counting while the view is held
    live->click();
    EXPECT_FALSE(live->isEnabled());
}
