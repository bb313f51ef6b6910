// Time to draw a whole graph on the 849 x 521 image surface: an ordinary graph of 35 records, and the worst
// of the tables whose spans or values lie far outside the surface.
#include "graph/graph.h"
#include "platform/qt/qt_surface.h"

#include <QGuiApplication>

#include <algorithm>
#include <cfloat>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr int kDraws = 301;

struct Row {
    double year;
    double month;
    double value;
};

psa::Records recordsOf(const std::vector<Row> &rows)
{
    psa::Records records;
    int row = 0;
    for (const Row &r : rows) {
        ++row;
        records.RecordTable.set(row, psa::kYearColumn, r.year);
        records.RecordTable.set(row, psa::kMonthColumn, r.month);
        records.RecordTable.set(row, psa::kValueColumn, r.value);
    }
    records.RecordCount = row;
    return records;
}

// Median milliseconds of one draw onto a cleared surface, until the image holds the complete drawing.
double medianDrawMilliseconds(const std::vector<Row> &rows)
{
    psa::ImageSurface surface;
    std::vector<double> times;
    for (int draw = 0; draw < kDraws; ++draw) {
        psa::Records records = recordsOf(rows);
        surface.Cls();
        const auto start = std::chrono::steady_clock::now();
        psa::drawGraph(records, surface);
        (void)surface.image();
        const std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() - start;
        times.push_back(elapsed.count());
    }
    std::nth_element(times.begin(), times.begin() + kDraws / 2, times.end());
    return times[kDraws / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    // Three years of monthly measurements, falling after treatment and rising again.
    std::vector<Row> ordinary;
    for (int i = 0; i < 35; ++i)
        ordinary.push_back(
            { 2004.0 + (i + 10) / 12, double((i + 10) % 12 + 1), 0.005 * (i - 12) * (i - 12) + 0.02 });

    std::vector<Row> alternating;
    for (int i = 0; i < 35; ++i)
        alternating.push_back({ 2004.0 + i, 6, i % 2 ? 1e300 : 1e-300 });
    const std::vector<std::vector<Row>> pathological {
        { { 2004, 1, 5 }, { 2005, 6, 7 }, { 1e15, 1, 6 } }, // a span of about 1.2e16 months
        { { 2004, 1, 1e300 }, { 2005, 1, 5 }, { 2006, 1, 1e300 } },
        { { -DBL_MAX, 1, DBL_MAX }, { 2005, 1, 5 }, { DBL_MAX, 1, DBL_MAX } },
        { { 2004, 1, 5 }, { 2004, 1, DBL_MAX }, { 2341, 5, 6 } }, // 4096 months: one line each
        alternating,
    };

    const double ordinaryTime = medianDrawMilliseconds(ordinary);
    double worst = 0;
    for (const auto &rows : pathological)
        worst = std::max(worst, medianDrawMilliseconds(rows));
    std::printf("BENCH draw35 %.3f ms\n", ordinaryTime);
    std::printf("BENCH draw_pathological %.3f ms\n", worst);
    return EXIT_SUCCESS;
}
