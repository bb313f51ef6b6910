// Whole-process time of the batch export against the floor of any Qt program that draws text into a bitmap:
// `psa-graph --export` on a 35-record file and `minimal_export` take turns many times; the medians are
// compared.
//
//   bench_export [rounds] [work folder] [psa-graph path] [minimal_export path]
//
// The work folder (default /tmp) holds the record file and both bitmaps. The export saves as "グラフ保存"
// does, flushing the bitmap to the disk before it replaces the old file, which the floor does not do; on a
// memory file system such as /dev/shm the flush costs nothing and the figures compare the programs alone.
#include "process_timing.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>

int main(int argc, char *argv[])
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 31;
    const std::string parent = argc > 2 ? argv[2] : "/tmp";
    const std::string psaGraph = argc > 3 ? argv[3] : PSA_GRAPH_PATH;
    const std::string minimal = argc > 4 ? argv[4] : MINIMAL_EXPORT_PATH;

    std::string folderTemplate = parent + "/bench-export-XXXXXX";
    const char *folder = mkdtemp(folderTemplate.data());
    if (!folder) {
        std::fprintf(stderr, "cannot create a work folder\n");
        return 1;
    }
    const std::string records = std::string(folder) + "/records.csv";
    std::ofstream(records, std::ios::binary) << bench::recordFile35();
    const auto environment = bench::childEnvironment(folder, {});
    const std::vector<std::string> ours { psaGraph, "--export", records, std::string(folder) + "/ours.bmp" };
    const std::vector<std::string> floor { minimal, std::string(folder) + "/minimal.bmp" };

    // Two rounds each to fill the file caches, then the two take turns so that any drift of the machine's
    // load affects both alike.
    std::vector<double> ourTimes, floorTimes, ourCpu, floorCpu;
    bool failed = false;
    for (int round = -2; round < rounds && !failed; ++round) {
        const bench::Run a = bench::runOnce(ours, environment);
        const bench::Run b = bench::runOnce(floor, environment);
        failed = a.milliseconds < 0 || b.milliseconds < 0;
        if (round >= 0) {
            ourTimes.push_back(a.milliseconds);
            floorTimes.push_back(b.milliseconds);
            ourCpu.push_back(a.cpuMilliseconds);
            floorCpu.push_back(b.cpuMilliseconds);
        }
    }
    for (const char *name : { "/records.csv", "/ours.bmp", "/minimal.bmp" })
        std::remove((std::string(folder) + name).c_str());
    rmdir(folder);
    if (failed) {
        std::fprintf(stderr, "a program failed or did not exit with 0\n");
        return 1;
    }

    const double psa = bench::median(ourTimes);
    const double plain = bench::median(floorTimes);
    std::printf("BENCH export_psa_graph %.1f ms\n", psa);
    std::printf("BENCH export_minimal %.1f ms\n", plain);
    std::printf("BENCH export_ratio %.2f x\n", psa / plain);
    // Processor time is less disturbed by other work on the machine than the wall time.
    std::printf("BENCH export_cpu_psa_graph %.1f ms\n", bench::median(ourCpu));
    std::printf("BENCH export_cpu_minimal %.1f ms\n", bench::median(floorCpu));
    std::printf("BENCH export_cpu_ratio %.2f x\n", bench::median(ourCpu) / bench::median(floorCpu));
    return 0;
}
