#include "core/reading/conversion.hpp"
#include "core/logs/csv_log.hpp"
#include "core/history/reading_history.hpp"
#include "core/history/reading_statistics.hpp"
#include "core/history/statistics_period.hpp"
#include "core/history/trend_columns.hpp"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include <fcntl.h>
#include <unistd.h>

using namespace merolan;

namespace {

constexpr std::size_t kDay = ReadingHistory::kDefaultCapacity;
constexpr std::int64_t kStartMs = 1'796'828'220'000;

// Reading n of a run at 10 per second: a slowly wandering level, and every thousandth reading
// without one, as when the attenuator box holds a half-typed text.
ReadingRecord readingNumber(std::size_t n)
{
    const double i = static_cast<double>(n);
    ReadingRecord r;
    r.timeUtcMs = kStartMs + static_cast<std::int64_t>(n) * 100;
    r.elapsedS = i / 10.0;
    r.voltageV = 1.2 + 0.1 * std::sin(i / 500.0);
    r.range = 1;
    r.attenuatorDb = 20;
    if (n % 1000 == 999) {
        r.note = "The attenuator \"2-\" is not a number: type a number into the \"Attenuator (dBm) :\" box.";
        return r;
    }
    r.levelDbm = -30 + 10 * std::sin(i / 500.0);
    r.powerW = wattFromDbm(*r.levelDbm);
    r.rmsV = rmsVoltFromWatt(*r.powerW);
    return r;
}

void fill(ReadingHistory &history, std::size_t count)
{
    for (std::size_t n = 0; n < count; ++n)
        history.append(readingNumber(n));
}

} // namespace

// One reading into a full day's history, pushing out the oldest, and into the statistics'
// period, updating the peak hold.
static void BM_AppendToFullDay(benchmark::State &bench)
{
    ReadingHistory history;
    fill(history, kDay);
    StatisticsPeriod period;
    ReadingRecord record = readingNumber(kDay);
    for (auto _ : bench) {
        record.timeUtcMs += 100;
        history.append(record);
        period.add(history);
    }
    bench.SetItemsProcessed(bench.iterations());
    bench.counters["full_day_MB"] = static_cast<double>(history.memoryBytes()) / 1e6;
}
BENCHMARK(BM_AppendToFullDay);

// The statistics line over the last hour.
static void BM_SummarizeHour(benchmark::State &bench)
{
    ReadingHistory history;
    fill(history, 36'000);
    for (auto _ : bench)
        benchmark::DoNotOptimize(summarize(history, {}, 0));
}
BENCHMARK(BM_SummarizeHour)->Unit(benchmark::kMillisecond);

// A whole day drawn into a trend 1000 pixels wide.
static void BM_DecimateDay(benchmark::State &bench)
{
    ReadingHistory history;
    fill(history, kDay);
    const std::int64_t from = history.timeAt(0), to = history.timeAt(kDay - 1) + 1;
    for (auto _ : bench)
        benchmark::DoNotOptimize(decimate(history, {}, from, to, 1000));
}
BENCHMARK(BM_DecimateDay)->Unit(benchmark::kMillisecond);

static void BM_CsvRow(benchmark::State &bench)
{
    const ReadingRecord record = readingNumber(12'345);
    for (auto _ : bench)
        benchmark::DoNotOptimize(csvRow(record));
    bench.SetItemsProcessed(bench.iterations());
}
BENCHMARK(BM_CsvRow)->Unit(benchmark::kMicrosecond);

// A row as the recorder logs it: formatted, written and flushed to the disk before the next
// reading, in a file of the folder the bench runs in (TMPDIR may be a RAM disk).
static void BM_CsvRowToDisk(benchmark::State &bench)
{
    char path[] = "merolan-bench-XXXXXX";
    const int fd = ::mkstemp(path);
    if (fd < 0) {
        bench.SkipWithError("cannot create a file in the current folder");
        return;
    }
    const ReadingRecord record = readingNumber(12'345);
    for (auto _ : bench) {
        const std::string row = csvRow(record);
        if (::write(fd, row.data(), row.size()) != static_cast<ssize_t>(row.size()) || ::fdatasync(fd) != 0) {
            bench.SkipWithError("write failed");
            break;
        }
    }
    ::close(fd);
    std::remove(path);
}
BENCHMARK(BM_CsvRowToDisk)->Unit(benchmark::kMicrosecond);
