// Whole-process time of a batch export against gnuplot drawing the same graphs: 20 record files of 35
// records exported to PNG by one `psa-graph --batch` process, and one gnuplot process drawing the 20 graphs
// as PNG at the picture's size (849 x 521), on a log axis from 0.01 to 1000 with red lines at 0.2 and 2. The
// two take turns; the medians are compared. For comparison, the same 20 pictures by one
// `psa-graph --export` process each, as a shell loop would make them.
//
//   bench_batch [rounds] [work folder] [psa-graph path]
//
// Exit status 77 when gnuplot (Debian package gnuplot-nox) is not installed, after the figures of
// psa-graph alone.
#include "process_timing.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

constexpr int kFiles = 20;

// The program's full path found along PATH, or empty.
std::string onPath(const std::string &program)
{
    const char *path = std::getenv("PATH");
    std::string folders = path ? path : "/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= folders.size()) {
        const std::size_t end = std::min(folders.find(':', start), folders.size());
        const std::string candidate = folders.substr(start, end - start) + "/" + program;
        if (access(candidate.c_str(), X_OK) == 0)
            return candidate;
        start = end + 1;
    }
    return {};
}

// The same records in each file but for a factor, so that no two graphs are alike.
std::string recordFile(int index)
{
    std::string text;
    for (int i = 0; i < 35; ++i) {
        char line[64];
        const double value = (1.0 + 0.1 * index) * (1.0 + 0.08 * i) * (i > 25 ? 0.002 : 1);
        std::snprintf(line, sizeof line, " %d, %d, %g\r\n", 2004 + i * 2 / 12, i * 2 % 12 + 1, value);
        text += line;
    }
    return text;
}

// gnuplot's script for the same graphs: the time in years on x, the PSA on a log y axis.
std::string gnuplotScript(const std::string &folder)
{
    std::string script = "set terminal pngcairo size 849,521\n"
                         "set datafile separator ','\n"
                         "set logscale y\n"
                         "set yrange [0.01:1000]\n"
                         "unset key\n";
    for (int i = 0; i < kFiles; ++i)
        script += "set output '" + folder + "/gnuplot/" + std::to_string(i) + ".png'\n" + "plot '" + folder
            + "/" + std::to_string(i)
            + ".csv' using ($1+($2-1)/12.0):3 with linespoints pt 6 lc rgb 'black', "
              "0.2 with lines lc rgb 'red', 2 with lines lc rgb 'red'\n";
    script += "unset output\n";
    return script;
}

} // namespace

int main(int argc, char *argv[])
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    const std::string parent = argc > 2 ? argv[2] : "/tmp";
    const std::string psaGraph = argc > 3 ? argv[3] : PSA_GRAPH_PATH;
    const std::string gnuplot = onPath("gnuplot");

    std::string folderTemplate = parent + "/bench-batch-XXXXXX";
    const char *made = mkdtemp(folderTemplate.data());
    if (!made) {
        std::fprintf(stderr, "cannot create a work folder\n");
        return 1;
    }
    const std::string folder = made;
    std::filesystem::create_directory(folder + "/batch");
    std::filesystem::create_directory(folder + "/gnuplot");
    std::filesystem::create_directory(folder + "/loop");
    std::vector<std::string> batch { psaGraph, "--batch", "--format=png",
        "--output-folder=" + folder + "/batch" };
    std::vector<std::vector<std::string>> loop;
    for (int i = 0; i < kFiles; ++i) {
        const std::string records = folder + "/" + std::to_string(i) + ".csv";
        std::ofstream(records, std::ios::binary) << recordFile(i);
        batch.push_back(records);
        loop.push_back({ psaGraph, "--export", records, folder + "/loop/" + std::to_string(i) + ".png" });
    }
    std::ofstream(folder + "/script.gp") << gnuplotScript(folder);
    const std::vector<std::string> plot { gnuplot, folder + "/script.gp" };
    const auto environment = bench::childEnvironment(folder, {});

    // Two rounds to fill the file caches, then the programs take turns so that any drift of the machine's
    // load affects all alike.
    std::vector<double> batchTimes, gnuplotTimes, loopTimes;
    bool failed = false;
    for (int round = -2; round < rounds && !failed; ++round) {
        const bench::Run ours = bench::runOnce(batch, environment);
        const bench::Run theirs
            = gnuplot.empty() ? bench::Run { 0, 0, 0 } : bench::runOnce(plot, environment);
        double looped = 0;
        for (const std::vector<std::string> &single : loop) {
            const bench::Run one = bench::runOnce(single, environment);
            failed = failed || one.milliseconds < 0;
            looped += one.milliseconds;
        }
        failed = failed || ours.milliseconds < 0 || theirs.milliseconds < 0;
        if (round >= 0) {
            batchTimes.push_back(ours.milliseconds);
            gnuplotTimes.push_back(theirs.milliseconds);
            loopTimes.push_back(looped);
        }
    }
    std::filesystem::remove_all(folder);
    if (failed) {
        std::fprintf(stderr, "a program failed or did not exit with 0\n");
        return 1;
    }

    const double ours = bench::median(batchTimes);
    std::printf("BENCH batch_psa_graph %.1f ms\n", ours);
    std::printf("BENCH batch_per_file_loop %.1f ms\n", bench::median(loopTimes));
    if (gnuplot.empty()) {
        std::printf("SKIP: gnuplot is not installed (Debian package gnuplot-nox): no batch_ratio\n");
        return 77;
    }
    const double theirs = bench::median(gnuplotTimes);
    std::printf("BENCH batch_gnuplot %.1f ms\n", theirs);
    std::printf("BENCH batch_ratio %.2f\n", ours / theirs);
    return 0;
}
