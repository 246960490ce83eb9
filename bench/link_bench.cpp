// Link benchmarks over the virtual cable: the PC side's cost per byte of a
// fast load and of a byte-by-byte load, the time from a request line going up
// to the request being served with the port busy and idle, and the CPU the
// idle loop takes. The virtual C64's own work is included in the per-byte
// figures (it runs on the same thread), so they are an upper bound of the
// PC side's cost.
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "c64/vc64/virtual_setup.h"
#include "link/idle_pacer.h"
#include "link/request_codes.h"

using namespace brimwick;
using namespace brimwick::link;
using Clock = std::chrono::steady_clock;

namespace {

double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

std::string makeProgram(const std::filesystem::path& dir, const char* name, int loadAddress,
                        int bytes) {
    std::filesystem::path path = dir / name;
    std::ofstream out(path, std::ios::binary);
    out.put(static_cast<char>(loadAddress & 0xFF));
    out.put(static_cast<char>(loadAddress >> 8));
    for (int i = 0; i < bytes; ++i) out.put(static_cast<char>(i * 7));
    return path.string();
}

void loadBenchmark(const std::filesystem::path& dir, const char* label, bool fast, int rounds) {
    c64::vc64::VirtualSetup setup;
    setup.serve(9, dir.string() + "/");
    double best = 1e9;
    c64::vc64::TransferResult r;
    for (int i = 0; i < rounds; ++i) {
        auto start = Clock::now();
        r = setup.run(setup.kernal.load(9, "BENCH", 1, fast, false));
        best = std::min(best, secondsSince(start));
    }
    int moved = r.end - r.start;
    std::printf("%-34s %7d bytes  %8.2f ms  %8.1f ns/byte\n", label, moved, best * 1e3,
                best * 1e9 / std::max(moved, 1));
}

void latencyBenchmark(bool idle) {
    c64::vc64::VirtualSetup setup;
    IdlePacer pacer;
    setup.c64.cable.sleepWhenIdle = idle;
    std::vector<double> latencies;
    for (int i = 0; i < 200; ++i) {
        if (idle) pacer.lastActivity = Clock::now() - std::chrono::seconds(1);
        auto raised = Clock::now() + std::chrono::microseconds(500 + (i * 37) % 2000);
        setup.c64.cable.hideRequestUntil = raised;
        Clock::time_point served{};
        auto operation = setup.c64.request(kNop);
        setup.c64.run(std::move(operation), [&] {
            bool any = setup.dispatcher.poll();
            if (any && served == Clock::time_point{}) served = Clock::now();
            if (!idle) pacer.lastActivity = Clock::now();
            pacer.afterPoll(any, setup.c64.cable);
        });
        latencies.push_back(std::chrono::duration<double>(served - raised).count());
    }
    setup.c64.cable.hideRequestUntil = {};
    std::sort(latencies.begin(), latencies.end());
    double mean = 0;
    for (double l : latencies) mean += l;
    mean /= static_cast<double>(latencies.size());
    std::printf("request latency, %-17s mean %7.1f us  median %7.1f us  max %7.1f us\n",
                idle ? "idle (sleeping):" : "busy (polling):", mean * 1e6,
                latencies[latencies.size() / 2] * 1e6, latencies.back() * 1e6);
}

void idleCpuBenchmark() {
    c64::vc64::VirtualSetup setup;
    IdlePacer pacer;
    setup.c64.cable.sleepWhenIdle = true;
    // Steady idle: the quiet spell after the last request is over.
    pacer.lastActivity = Clock::now() - std::chrono::seconds(1);
    auto start = Clock::now();
    double cpuStart = cpuSeconds();
    long polls = 0;
    while (secondsSince(start) < 2.0) {
        bool any = setup.dispatcher.poll();
        pacer.afterPoll(any, setup.c64.cable);
        ++polls;
    }
    double wall = secondsSince(start);
    double cpu = cpuSeconds() - cpuStart;
    std::printf("idle loop: %ld polls in %.2f s, CPU %.2f %% of one core\n", polls, wall,
                100.0 * cpu / wall);
}

}  // namespace

int main() {
    std::filesystem::path dir = std::filesystem::temp_directory_path() / "brimwick-link-bench";
    std::filesystem::create_directories(dir);
    makeProgram(dir, "bench.prg", 0x0801, 0xFFFF - 0x0801 + 1);
    loadBenchmark(dir, "fast load, 62 KB PC file:", true, 5);
    makeProgram(dir, "bench.prg", 0x0801, 170000);
    loadBenchmark(dir, "fast load, 170 KB PC file (cut):", true, 5);
    makeProgram(dir, "bench.prg", 0x0801, 16384);
    loadBenchmark(dir, "byte-by-byte load, 16 KB:", false, 3);
    latencyBenchmark(false);
    latencyBenchmark(true);
    idleCpuBenchmark();
    std::filesystem::remove_all(dir);
    return 0;
}
