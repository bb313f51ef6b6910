// Start-up time and peak memory of psa-graph against a minimal Qt program with the same widgets, and the
// start-up with a 35-record file named on the command line: each is started many times on the offscreen
// platform and ends right after its first frame; the wall time from starting the process to its exit and the
// process's peak resident memory are measured.
//
//   bench_startup [rounds] [psa-graph path] [minimal_window path]
#include "process_timing.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>

int main(int argc, char *argv[])
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 21;
    const std::string psaGraph = argc > 2 ? argv[2] : PSA_GRAPH_PATH;
    const std::string minimal = argc > 3 ? argv[3] : MINIMAL_WINDOW_PATH;

    char runtimeTemplate[] = "/tmp/bench-startup-XXXXXX";
    const char *runtimeDir = mkdtemp(runtimeTemplate);
    if (!runtimeDir) {
        std::fprintf(stderr, "cannot create a runtime folder\n");
        return 1;
    }
    const std::string records = std::string(runtimeDir) + "/records.csv";
    std::ofstream(records, std::ios::binary) << bench::recordFile35();
    const auto environment = bench::childEnvironment(runtimeDir, { "PSA_EXIT_AFTER_FIRST_FRAME=1" });

    // Two rounds each to fill the file caches, then the programs take turns so that any drift of the
    // machine's load affects all alike.
    std::vector<double> psaTimes, minimalTimes, psaPeaks, minimalPeaks, fileTimes, fileExtra, fileExtraCpu;
    bool failed = false;
    for (int round = -2; round < rounds && !failed; ++round) {
        const bench::Run psa = bench::runOnce({ psaGraph }, environment);
        const bench::Run withFile = bench::runOnce({ psaGraph, records }, environment);
        const bench::Run plain = bench::runOnce({ minimal }, environment);
        failed = psa.milliseconds < 0 || withFile.milliseconds < 0 || plain.milliseconds < 0;
        if (round >= 0) {
            psaTimes.push_back(psa.milliseconds);
            minimalTimes.push_back(plain.milliseconds);
            psaPeaks.push_back(psa.peakKilobytes);
            minimalPeaks.push_back(plain.peakKilobytes);
            fileTimes.push_back(withFile.milliseconds);
            fileExtra.push_back(withFile.milliseconds - psa.milliseconds);
            fileExtraCpu.push_back(withFile.cpuMilliseconds - psa.cpuMilliseconds);
        }
    }
    std::remove(records.c_str());
    rmdir(runtimeDir);
    if (failed) {
        std::fprintf(stderr, "a program failed to start or to exit with 0\n");
        return 1;
    }

    const double psa = bench::median(psaTimes);
    const double plain = bench::median(minimalTimes);
    std::printf("BENCH startup_psa_graph %.1f ms\n", psa);
    std::printf("BENCH startup_minimal %.1f ms\n", plain);
    std::printf("BENCH startup_ratio %.2f x\n", psa / plain);
    const double psaPeak = bench::median(psaPeaks);
    const double plainPeak = bench::median(minimalPeaks);
    std::printf("BENCH peak_rss_psa_graph %.0f KB\n", psaPeak);
    std::printf("BENCH peak_rss_minimal %.0f KB\n", plainPeak);
    std::printf("BENCH peak_rss_ratio %.2f x\n", psaPeak / plainPeak);
    // The file's cost: the median over rounds of the start-up with the file less the one without it just
    // before.
    std::printf("BENCH startup_with_file %.1f ms\n", bench::median(fileTimes));
    std::printf("BENCH startup_file_extra %.2f ms\n", bench::median(fileExtra));
    // The same in processor time, which other work on the machine disturbs less.
    std::printf("BENCH startup_file_extra_cpu %.2f ms\n", bench::median(fileExtraCpu));
    return 0;
}
