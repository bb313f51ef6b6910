// Saving and loading a full grid of records through the real file system, and how quickly and with how
// little memory a huge file that is no record file is turned away.
#include "files/record_file.h"
#include "platform/qt/qt_files.h"

#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

template <typename Run> double medianMilliseconds(int rounds, Run run)
{
    std::vector<double> times;
    for (int round = 0; round < rounds; ++round) {
        const auto start = std::chrono::steady_clock::now();
        run();
        const std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() - start;
        times.push_back(elapsed.count());
    }
    std::nth_element(times.begin(), times.begin() + rounds / 2, times.end());
    return times[static_cast<std::size_t>(rounds / 2)];
}

// The process's peak resident size so far, in KB.
long peakRssKb()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}

// A file of `size` bytes made a megabyte at a time by `fill`.
bool generate(const QString &path, std::size_t size, void (*fill)(std::string &, std::mt19937_64 &))
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    std::mt19937_64 random(42);
    std::string block(1 << 20, '\0');
    for (std::size_t written = 0; written < size; written += block.size()) {
        fill(block, random);
        if (file.write(block.data(), static_cast<qint64>(block.size())) != static_cast<qint64>(block.size()))
            return false;
    }
    return file.flush();
}

bool failed(const char *what)
{
    std::fprintf(stderr, "bench_files: %s\n", what);
    return true;
}

} // namespace

int main()
{
    QTemporaryDir dir;
    if (!dir.isValid())
        return failed("no temporary folder");
    psa::QtFileSystem files;

    psa::Records records;
    for (int row = 1; row <= 35; ++row) {
        records.RecordTable.set(row, psa::kYearColumn, 2000 + row / 12);
        records.RecordTable.set(row, psa::kMonthColumn, row % 12 + 1);
        records.RecordTable.set(row, psa::kValueColumn, 0.013 * row * row);
    }
    records.RecordCount = 35;
    const std::u16string recordPath = dir.filePath("records.csv").toStdU16String();

    bool ok = true;
    const double save
        = medianMilliseconds(101, [&] { ok &= psa::saveRecordFile(files, recordPath, records).ok(); });
    const double load = medianMilliseconds(101, [&] {
        const psa::Result<psa::RecordFileContents> loaded = psa::loadRecordFile(files, recordPath);
        ok &= loaded.ok() && loaded->records.size() == 35;
    });
    if (!ok)
        return failed("saving or loading 35 records failed");
    std::printf("BENCH save35 %.3f ms\n", save);
    std::printf("BENCH load35 %.3f ms\n", load);

    constexpr std::size_t kHuge = std::size_t(256) << 20;
    const QString letter = dir.filePath("letter.csv");
    const QString random = dir.filePath("random.csv");
    if (!generate(letter, kHuge,
            [](std::string &block, std::mt19937_64 &) { std::fill(block.begin(), block.end(), 'A'); })
        || !generate(random, kHuge, [](std::string &block, std::mt19937_64 &bits) {
               for (char &c : block)
                   c = static_cast<char>(bits());
           }))
        return failed("could not write the huge files");

    const long peakBefore = peakRssKb();
    for (const auto &[name, path] :
        { std::pair { "load_huge_letter", letter }, std::pair { "load_huge_random", random } }) {
        const std::u16string wide = path.toStdU16String();
        const double time = medianMilliseconds(21, [&] { ok &= !psa::loadRecordFile(files, wide).ok(); });
        std::printf("BENCH %s %.3f ms\n", name, time);
    }
    std::printf("BENCH load_huge_peak_rss_growth %ld KB\n", peakRssKb() - peakBefore);
    QFile::remove(letter);
    QFile::remove(random);
    return ok ? 0 : failed("a huge file was taken for records");
}
