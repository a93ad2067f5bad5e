// Runs the benchmarks, then prints the cost table: the voice against the peer synth, what each
// effect adds to it, and what creating an instance costs in time and heap, all from this run.
#include "SixteenthLine.h"
#include "tools/vsthost/VstHost.h"
#include "vst2/VstInterface.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <malloc.h>
#include <string>
#include <memory>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace
{
constexpr const char* kPeerPlugin = "/usr/lib/vst/Nekobi-vst.so";
constexpr int kCreationProcesses = 15;

// The table's render costs: the configurations take turns, round after round, so a busy machine
// slows them alike; each cost is the median time of the timed blocks.
constexpr int kTableBlock = 512;
constexpr int kTableRounds = 500;
constexpr int kBlocksPerTurn = 6;
constexpr int kUntimedBlocksPerTurn = 2;

// The monotonic clock: read without a system call, unlike a thread's CPU-time clock, whose cost
// would weigh on the cheaper plugin. Blocks the scheduler interrupted fall out of the median.
double nowNanoseconds()
{
    return std::chrono::duration<double, std::nano>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// What one column of the table renders: a plugin, and for Quelvar the stage of its chain (0 the
// voice alone, 1-4 with distortion type 0-3, 5 with the delay, 6 with the delay's high-pass and
// ping-pong); the peer plays its sixteenth-note line.
struct Config
{
    std::string path;
    int stage = 0;
    bool peer = false;
};

// Median cost per sample of each configuration, -1 for one that could not be loaded.
std::vector<double> interleavedCosts(const std::vector<Config>& configs)
{
    std::vector<std::unique_ptr<quelvar::VstHost>> hosts;
    for (const Config& config : configs)
    {
        auto host = std::make_unique<quelvar::VstHost>(config.path);
        if (!host->loaded())
        {
            hosts.push_back(nullptr);
            continue;
        }
        host->start(44100.0, kTableBlock);
        const int c = config.stage;
        if (c >= 1 && c <= 4)
        {
            host->setParameter(22, 1.0f);
            host->setParameter(23, 0.25f * static_cast<float>(c - 1));
            host->setParameter(24, 0.7f);
        }
        if (c == 5 || c == 6)
        {
            host->setParameter(15, 1.0f);
            host->setParameter(20, 0.7f);
        }
        if (c == 6)
        {
            host->setParameter(17, 1.0f);
            host->setParameter(21, 0.8f);
        }
        if (!config.peer)
            host->play(0.0);
        hosts.push_back(std::move(host));
    }
    std::vector<float> left(kTableBlock), right(kTableBlock);
    // The peer's notes are queued before its block is timed: only the plugins' work counts.
    SixteenthLine line(44100.0, 120.0);
    const auto queuePeerNotes = [&](std::size_t c, long long position)
    {
        if (configs[c].peer)
            line.queue(*hosts[c], position, kTableBlock);
    };
    // Three seconds first: the smoothers settle, as they do in a song.
    long long position = 0;
    for (; position < 3 * 44100; position += kTableBlock)
        for (std::size_t c = 0; c < hosts.size(); ++c)
            if (hosts[c])
            {
                queuePeerNotes(c, position);
                hosts[c]->processBlock(left.data(), right.data(), kTableBlock);
            }
    // In a round each configuration renders a few blocks in a row and the later ones are
    // timed, so none is measured with caches its neighbours have just filled.
    std::vector<std::vector<double>> times(hosts.size());
    for (int round = 0; round < kTableRounds; ++round, position += kBlocksPerTurn * kTableBlock)
        for (std::size_t c = 0; c < hosts.size(); ++c)
            for (int b = 0; b < kBlocksPerTurn && hosts[c]; ++b)
            {
                const long long at = position + static_cast<long long>(b) * kTableBlock;
                queuePeerNotes(c, at);
                const double t0 = nowNanoseconds();
                hosts[c]->processBlock(left.data(), right.data(), kTableBlock);
                if (b >= kUntimedBlocksPerTurn)
                    times[c].push_back((nowNanoseconds() - t0) / kTableBlock);
            }
    std::vector<double> costs(configs.size(), -1.0);
    for (std::size_t c = 0; c < hosts.size(); ++c)
    {
        std::vector<double>& v = times[c];
        if (v.empty())
            continue;
        std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
        costs[c] = v[v.size() / 2];
    }
    return costs;
}

VstIntPtr quietHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    return opcode == audioMasterVersion ? 2400 : 0;
}

struct Creation
{
    double firstMs = -1.0;
    double laterMs = -1.0;
    double heapBytes = -1.0; // of the second instance
};

std::size_t heapInUse()
{
    const struct mallinfo2 m = mallinfo2();
    return m.uordblks + m.hblkhd;
}

// In a fresh process, so the first instance pays for whatever a process does only once.
bool measureCreationOnce(const char* path, Creation& out)
{
    int fds[2];
    if (pipe(fds) != 0)
        return false;
    const pid_t pid = fork();
    if (pid < 0)
        return false;
    if (pid == 0)
    {
        close(fds[0]);
        Creation c;
        void* lib = dlopen(path, RTLD_NOW | RTLD_LOCAL);
        using Entry = AEffect* (*)(audioMasterCallback);
        auto entry = lib ? reinterpret_cast<Entry>(dlsym(lib, "VSTPluginMain")) : nullptr;
        if (lib && !entry) // older plugins export only the historical name
            entry = reinterpret_cast<Entry>(dlsym(lib, "main"));
        if (entry)
        {
            using Clock = std::chrono::steady_clock;
            const auto t0 = Clock::now();
            AEffect* first = entry(quietHost);
            const auto t1 = Clock::now();
            const std::size_t before = heapInUse();
            const auto t2 = Clock::now();
            AEffect* second = entry(quietHost);
            const auto t3 = Clock::now();
            const std::size_t after = heapInUse();
            if (first && second)
            {
                c.firstMs = std::chrono::duration<double, std::milli>(t1 - t0).count();
                c.laterMs = std::chrono::duration<double, std::milli>(t3 - t2).count();
                c.heapBytes = static_cast<double>(after) - static_cast<double>(before);
            }
            for (AEffect* e : {second, first})
                if (e)
                    e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f);
        }
        const ssize_t written = write(fds[1], &c, sizeof c);
        _exit(written == sizeof c ? 0 : 1);
    }
    close(fds[1]);
    Creation c;
    const ssize_t got = read(fds[0], &c, sizeof c);
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (got != sizeof c || c.firstMs < 0.0)
        return false;
    out = c;
    return true;
}

double median(std::vector<double> v)
{
    if (v.empty())
        return -1.0;
    std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
    return v[v.size() / 2];
}

Creation measureCreation(const char* path)
{
    std::vector<double> first, later, heap;
    for (int i = 0; i < kCreationProcesses; ++i)
    {
        Creation c;
        if (!measureCreationOnce(path, c))
            continue;
        first.push_back(c.firstMs);
        later.push_back(c.laterMs);
        heap.push_back(c.heapBytes);
    }
    return {median(first), median(later), median(heap)};
}

void printRow(const char* what, double quelvar, double before, double peer, const char* unit,
              const char* goal)
{
    const auto cell = [](double v)
    {
        char text[24] = "n/a";
        if (v >= 0.0)
            std::snprintf(text, sizeof text, "%.3f", v);
        return std::string(text);
    };
    const auto ratio = [&](double v)
    {
        char text[16] = "";
        if (v >= 0.0 && peer > 0.0)
            std::snprintf(text, sizeof text, "%.2fx", v / peer);
        return std::string(text);
    };
    std::printf("%-33s %9s %-2s %7s %9s %7s %9s   %s\n", what, cell(quelvar).c_str(), unit,
                ratio(quelvar).c_str(), before >= 0.0 ? cell(before).c_str() : "",
                ratio(before).c_str(), cell(peer).c_str(), goal);
}

// QUELVAR_BENCH_REFERENCE may name another build of the plugin (say, before a change): it is
// measured in the same turns and shown beside.
void printTable()
{
    const char* reference = std::getenv("QUELVAR_BENCH_REFERENCE");
    std::vector<Config> configs;
    for (int stage = 0; stage <= 6; ++stage)
        configs.push_back({QUELVAR_PLUGIN_PATH, stage, false});
    if (reference)
        for (int stage = 0; stage <= 6; ++stage)
            configs.push_back({reference, stage, false});
    configs.push_back({kPeerPlugin, 0, true});
    const std::vector<double> cost = interleavedCosts(configs);
    const double peer = cost.back();
    const auto added = [&](std::size_t first, int stage)
    {
        const double v = cost[first + static_cast<std::size_t>(stage)];
        return v >= 0.0 && cost[first] >= 0.0 ? v - cost[first] : -1.0;
    };
    const auto row = [&](const char* what, int stage, const char* goal)
    {
        const double own = stage == 0 ? cost[0] : added(0, stage);
        const double before = !reference ? -1.0 : stage == 0 ? cost[7] : added(7, stage);
        printRow(what, own, before, peer, "ns", goal);
    };
    const Creation own = measureCreation(QUELVAR_PLUGIN_PATH);
    const Creation other =
        access(kPeerPlugin, R_OK) == 0 ? measureCreation(kPeerPlugin) : Creation{};
    const Creation earlier = reference ? measureCreation(reference) : Creation{};

    std::printf("\nCost table, 44100 Hz, blocks of %d, all configurations rendered in turns "
                "(median time over %d blocks each); ratios against the peer synth\n",
                kTableBlock, kTableRounds * (kBlocksPerTurn - kUntimedBlocksPerTurn));
    std::printf("%-33s %12s %7s %9s %7s %9s   %s\n", "", "Quelvar", "ratio",
                reference ? "reference" : "", reference ? "ratio" : "", "peer", "goal");
    row("voice only, per sample", 0, "<= 11x (stretch 9x)");
    row("Overdrive added, per sample", 1, "");
    row("ClipInferno added, per sample", 2, "<= +70 ns");
    row("HotFuzz added, per sample", 3, "<= +50 ns");
    row("Ultracrunch added, per sample", 4, "<= +15 ns");
    row("delay added, per sample", 5, "");
    row("delay high-pass ping-pong added", 6, "<= +6 ns");
    printRow("create the first instance", own.firstMs, earlier.firstMs, other.firstMs, "ms",
             "<= 1 ms");
    printRow("create a later instance", own.laterMs, earlier.laterMs, other.laterMs, "ms",
             "<= 0.2 ms");
    printRow("heap per added instance", own.heapBytes / 1e6,
             reference ? earlier.heapBytes / 1e6 : -1.0, other.heapBytes / 1e6, "MB",
             "<= 0.8 MB");
}
} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    printTable();
    return 0;
}
