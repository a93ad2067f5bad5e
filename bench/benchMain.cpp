// Runs the benchmarks, then prints the cost table: the voice against the peer synth, what each
// effect adds to it, and what creating an instance costs in time and heap, all from this run.
#include "vst2/VstInterface.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <dlfcn.h>
#include <malloc.h>
#include <map>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace
{
constexpr const char* kPeerPlugin = "/usr/lib/vst/Nekobi-vst.so";
constexpr int kCreationProcesses = 15;

// Keeps each benchmark's per-sample cost (the median when repeated) besides printing as usual.
class TableReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
        {
            const auto it = run.counters.find("per_sample");
            if (it == run.counters.end() || run.error_occurred)
                continue;
            const std::string name = run.run_name.str();
            if (run.run_type == Run::RT_Aggregate)
            {
                if (run.aggregate_name == "median")
                    medians[name] = it->second.value * 1e9;
            }
            else
            {
                samples[name].push_back(it->second.value * 1e9);
            }
        }
    }

    // Nanoseconds per output sample, or a negative value when the benchmark did not run.
    double nsPerSample(const std::string& name) const
    {
        if (const auto m = medians.find(name); m != medians.end())
            return m->second;
        const auto s = samples.find(name);
        if (s == samples.end() || s->second.empty())
            return -1.0;
        std::vector<double> v = s->second;
        std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
        return v[v.size() / 2];
    }

private:
    std::map<std::string, double> medians;
    std::map<std::string, std::vector<double>> samples;
};

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

void printRow(const char* what, double quelvar, double peer, const char* unit, const char* goal)
{
    if (quelvar < 0.0)
    {
        std::printf("%-34s %12s %12s %9s   %s\n", what, "n/a", "", "", goal);
        return;
    }
    if (peer > 0.0)
        std::printf("%-34s %9.3f %-2s %9.3f %-2s %8.2fx   %s\n", what, quelvar, unit, peer, unit,
                    quelvar / peer, goal);
    else
        std::printf("%-34s %9.3f %-2s %12s %9s   %s\n", what, quelvar, unit, "", "", goal);
}

void printTable(const TableReporter& r)
{
    const double voice = r.nsPerSample("BM_QuelvarStage/0");
    const double peer = r.nsPerSample("BM_PeerSynth/44100/512");
    const auto added = [&](int stage)
    {
        const double v = r.nsPerSample("BM_QuelvarStage/" + std::to_string(stage));
        return v >= 0.0 && voice >= 0.0 ? v - voice : -1.0;
    };
    const Creation own = measureCreation(QUELVAR_PLUGIN_PATH);
    const Creation other =
        access(kPeerPlugin, R_OK) == 0 ? measureCreation(kPeerPlugin) : Creation{};

    std::printf("\nCost table, 44100 Hz, blocks of 512; ratios against the peer synth in this "
                "run\n");
    std::printf("%-34s %12s %12s %9s   %s\n", "", "Quelvar", "peer", "ratio", "goal");
    printRow("voice only, per sample", voice, peer, "ns", "<= 11x (stretch 9x)");
    printRow("ClipInferno added, per sample", added(2), peer, "ns", "<= +70 ns");
    printRow("HotFuzz added, per sample", added(3), peer, "ns", "<= +50 ns");
    printRow("Ultracrunch added, per sample", added(4), peer, "ns", "<= +15 ns");
    printRow("delay added, per sample", added(5), peer, "ns", "");
    printRow("delay high-pass ping-pong added", added(6), peer, "ns", "<= +6 ns");
    printRow("create the first instance", own.firstMs, other.firstMs, "ms", "<= 1 ms");
    printRow("create a later instance", own.laterMs, other.laterMs, "ms", "<= 0.2 ms");
    printRow("heap per added instance", own.heapBytes / 1e6, other.heapBytes / 1e6, "MB",
             "<= 0.8 MB");
}
} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    TableReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    printTable(reporter);
    return 0;
}
