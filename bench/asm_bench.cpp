// Times the cross assembler on a generated source of about 240,000 lines
// (40,000 labels, every addressing mode, branches, 40 segments), and the same
// source with 64tass -a -T when it is installed, side by side: the best of
// several runs, on the clock and in processor time.
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "asm/assembler.h"
#include "asm_bench_source.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kSegments = 40;
constexpr int kLabelsPerSegment = 1000;
constexpr int kRounds = 5;

double seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// How long one run of a program took: on the clock, and on the processor
// (user and system time). On a machine shared with other work the clock
// also counts the time spent waiting for a processor; the processor time
// does not.
struct ProcessTime {
    double wall = 1e9;  // seconds on the clock
    double cpu = 1e9;   // seconds of user and system time
    void keepBest(const ProcessTime& other) {
        wall = std::min(wall, other.wall);
        cpu = std::min(cpu, other.cpu);
    }
};

double seconds(const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
}

// Runs a program with its arguments and waits; returns its exit status and
// fills in the time it took.
int runProgram(const std::vector<std::string>& argv, ProcessTime& time) {
    std::cout.flush();
    std::fflush(stdout);
    const auto start = Clock::now();
    pid_t child = fork();
    if (child == 0) {
        std::vector<char*> args;
        for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        if (std::freopen("/dev/null", "w", stdout) == nullptr) _exit(126);
        execvp(args[0], args.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    time.wall = seconds(Clock::now() - start);
    time.cpu = seconds(usage.ru_utime) + seconds(usage.ru_stime);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Runs a program kRounds times; the best times, or nothing when it failed.
bool timeProgram(const std::vector<std::string>& argv, ProcessTime& best) {
    for (int round = 0; round < kRounds; ++round) {
        ProcessTime time;
        const int status = runProgram(argv, time);
        if (status != 0) {
            std::cerr << argv[0] << " failed with status " << status << "\n";
            return false;
        }
        best.keepBest(time);
    }
    return true;
}

bool has64tass() {
    return std::system("command -v 64tass >/dev/null 2>&1") == 0;
}

}  // namespace

int main() {
    const fs::path dir =
        fs::temp_directory_path() / ("brimwick-asm-bench-" + std::to_string(getpid()));
    fs::create_directories(dir);
    const fs::path source = dir / "bench.a64";
    const std::string text = brimwick::bench::generateAsmSource(kSegments, kLabelsPerSegment);
    std::ofstream(source, std::ios::binary) << text;
    const long lineCount = std::count(text.begin(), text.end(), '\n');
    std::cout << "source: " << lineCount << " lines, " << text.size() << " bytes, "
              << kSegments * kLabelsPerSegment << " labels, " << kSegments << " segments\n";

    double ours = 1e9;
    for (int round = 0; round < kRounds; ++round) {
        brimwick::assembler::AssemblerOptions options;
        options.showResultsOnErrors = options.showResultsOnSuccess = false;
        auto assembler = std::make_unique<brimwick::assembler::Assembler>(options);
        const auto start = Clock::now();
        const int errors = assembler->assembleFile(source.string());
        ours = std::min(ours, seconds(Clock::now() - start));
        if (errors != 0) {
            std::cerr << "brimwick asm: " << errors << " errors\n";
            return 1;
        }
    }
    std::printf("brimwick asm   : %8.4f s (best of %d, in process)\n", ours, kRounds);

    // The same through the command line, process start included, as 64tass runs.
    ProcessTime ourCli;
    if (!timeProgram({BRIMWICK_CLI, "asm", source.string()}, ourCli)) return 1;
    std::printf("brimwick-cli   : %8.4f s, %8.4f s of processor (best of %d, whole process)\n",
                ourCli.wall, ourCli.cpu, kRounds);

    if (!has64tass()) {
        std::printf("64tass        : not installed, no comparison\n");
    } else {
        ProcessTime theirs;
        if (!timeProgram(
                {"64tass", "-a", "-T", "-q", source.string(), "-o", (dir / "bench64.prg").string()},
                theirs))
            return 1;
        std::printf("64tass -a -T   : %8.4f s, %8.4f s of processor (best of %d)\n", theirs.wall,
                    theirs.cpu, kRounds);
        std::printf(
            "ratio         : 64tass takes %.2f times as long as brimwick-cli asm "
            "(%.2f times the processor time)\n",
            theirs.wall / ourCli.wall, theirs.cpu / ourCli.cpu);
    }
    fs::remove_all(dir);
    return 0;
}
