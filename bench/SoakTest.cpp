// Soak: long simulated runs with random automation, pattern switches, randomisation, MIDI and
// every sync mode, rendered as fast as possible. Reports the per-block cost spread and memory,
// and fails when a sample is not finite, a block costs far more than the median, or memory grows.
// Two engines are driven alike and a block's cost is the lesser of their two renders: an interrupt
// or a stolen time slice on a shared machine hits one of them, a slow path in the engine both.
//   quelvar_soak [simulated minutes, default 60]
#include "engine/Palladon.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <random>
#include <string>
#include <time.h>
#include <vector>

using namespace quelvar;

namespace
{
constexpr int kBlock = 256;
constexpr double kRate = 44100.0;
// A block may cost this many medians at most. Costs are the rendering thread's own CPU time, so
// being descheduled does not count; a virtual machine's stolen time still may.
constexpr double kSpikeFactor = 50.0;
// The first blocks warm caches and tables; spikes are judged after them.
constexpr long long kWarmUpBlocks = 100;
// The cost log holds a float per block; a day of blocks is 60 MB.
constexpr double kMaxMinutes = 24.0 * 60.0;

HostTime soakTime; // the host's transport for the next block

double threadMicroseconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e6 + static_cast<double>(t.tv_nsec) * 1e-3;
}

long residentKilobytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return 0;
}

// What a user and a host do to the engine now and then. The randomisers seed themselves from the
// clock, so the two engines' patterns and sounds may differ after them; all else stays alike.
void disturb(Palladon (&engines)[2], std::mt19937& rng)
{
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    const unsigned kind = rng() % 12;
    const unsigned pick = rng();
    const float value = unit(rng);
    switch (kind)
    {
    case 4:
        soakTime.playing = !soakTime.playing;
        soakTime.transportChanged = true;
        return;
    case 5:
        soakTime.tempo = 40.0 + (pick % 260);
        return;
    default:
        break;
    }
    for (Palladon& engine : engines)
        switch (kind)
        {
        case 0:
            engine.setParameter(kSyncType, static_cast<float>(pick % 3) * 0.5f);
            engine.internalPlay();
            break;
        case 1:
            engine.PatternRandom1(-1);
            break;
        case 2:
            engine.randomParameters();
            break;
        case 3:
            engine.triggerPattern(static_cast<int>(pick % 32));
            break;
        default:
            engine.setParameter(static_cast<VstInt32>(pick % kNumParams), value);
            break;
        }
}
} // namespace

int main(int argc, char** argv)
{
    const double minutes = argc > 1 ? std::atof(argv[1]) : 60.0;
    // A run needs blocks after the warm-up; written so that a NaN argument is refused too.
    const double blockCount = minutes * 60.0 * kRate / kBlock;
    if (!(blockCount >= static_cast<double>(kWarmUpBlocks + 1)))
    {
        std::fprintf(stderr, "soak: a run needs more than %lld blocks of %d, about %.2f minutes\n",
                     kWarmUpBlocks, kBlock, (kWarmUpBlocks + 1) * kBlock / kRate / 60.0);
        return 2;
    }
    if (minutes > kMaxMinutes)
    {
        std::fprintf(stderr, "soak: a run is at most %.0f minutes\n", kMaxMinutes);
        return 2;
    }
    soakTime.sampleRate = kRate;
    soakTime.tempo = 125.0;
    soakTime.playing = true;
    soakTime.transportChanged = true;

    Palladon engines[2] = {Palladon(nullptr, Flavour::plugin), Palladon(nullptr, Flavour::plugin)};
    for (Palladon& engine : engines)
    {
        engine.setSampleRate(static_cast<float>(kRate));
        engine.setBlockSize(kBlock);
        engine.resume();
        engine.setParameter(kDelayOn, 1.0f);
        engine.setParameter(kDistOn, 1.0f);
    }

    std::vector<float> left(kBlock), right(kBlock);
    RenderInput in;
    in.frames = kBlock;
    RenderOutput out;
    out.left = left.data();
    out.right = right.data();

    std::mt19937 rng(7);
    const long long blocks = static_cast<long long>(blockCount);
    const long long blocksPerMinute = static_cast<long long>(60.0 * kRate / kBlock);
    std::vector<float> cost;
    cost.reserve(static_cast<std::size_t>(blocks));
    long memoryAfterFirstMinute = 0;
    bool finite = true;

    for (long long b = 0; b < blocks; ++b)
    {
        if (rng() % 200 == 0)
            disturb(engines, rng);
        if (rng() % 20 == 0)
            in.midi.add({0,
                         {static_cast<std::uint8_t>(rng() % 2 ? 0x90 : 0x80),
                          static_cast<std::uint8_t>(36 + rng() % 60),
                          static_cast<std::uint8_t>(rng() % 128)}});
        in.time = soakTime;
        double blockCost = std::numeric_limits<double>::infinity();
        for (Palladon& engine : engines)
        {
            const double start = threadMicroseconds();
            engine.render(in, out);
            const double spent = threadMicroseconds() - start;
            blockCost = std::min(blockCost, spent);
            for (int i = 0; i < kBlock; ++i)
                finite = finite && std::isfinite(left[static_cast<std::size_t>(i)]) &&
                         std::isfinite(right[static_cast<std::size_t>(i)]);
        }
        cost.push_back(static_cast<float>(blockCost));
        in.clear();
        soakTime.transportChanged = false;
        soakTime.ppqPosition += kBlock / kRate * soakTime.tempo / 60.0;
        if (b + 1 == blocksPerMinute)
            memoryAfterFirstMinute = residentKilobytes();
    }
    const long memoryAtEnd = residentKilobytes();

    std::vector<float> sorted = cost;
    std::sort(sorted.begin(), sorted.end());
    const float median = sorted[sorted.size() / 2];
    const float p99 = sorted[sorted.size() * 99 / 100];
    const float worst = sorted.back();
    const float worstSettled = *std::max_element(cost.begin() + kWarmUpBlocks, cost.end());
    const long growth = memoryAfterFirstMinute ? memoryAtEnd - memoryAfterFirstMinute : 0;

    std::printf("soak: %.1f simulated minutes, %lld blocks of %d\n", minutes, blocks, kBlock);
    std::printf("soak: block cost median %.1f us, p99 %.1f us, worst %.1f us (%.1fx median)\n",
                median, p99, worst, worstSettled / median);
    std::printf("soak: resident memory after the first minute %ld kB, at the end %ld kB\n",
                memoryAfterFirstMinute, memoryAtEnd);
    std::printf("soak: output %s\n", finite ? "finite throughout" : "NOT FINITE");

    // Memory held for the cost log itself grows with the run; it is allowed for.
    const long costLogKilobytes = static_cast<long>(cost.capacity() * sizeof(float) / 1024);
    const bool flat = growth <= costLogKilobytes + 2048;
    const bool noSpikes = worstSettled <= kSpikeFactor * median;
    if (!finite || !flat || !noSpikes)
    {
        std::printf("soak: FAILED (%s%s%s)\n", finite ? "" : "non-finite output ",
                    flat ? "" : "memory grew ", noSpikes ? "" : "cost spike");
        return 1;
    }
    return 0;
}
