// What chain play costs: two instances rendering the same line in turns of a few blocks each, one
// playing pattern 0 and one playing a chain of pattern 0 alone (the same notes, so only the chain's
// own work differs): chain_over_pattern. And this build against another build of the plugin
// (QUELVAR_BASELINE_PLUGIN, say the one before chains), both without a chain:
// this_over_baseline is what the chain's code costs while no chain plays.
#include "engine/Palladon.h"
#include "engine/PalladonFiles.h"
#include "tools/vsthost/VstHost.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <vector>

using quelvar::VstHost;

namespace
{
// Turns span at least 4096 frames, so reading the clock weighs on neither side.
class Turns
{
public:
    explicit Turns(int block) : block(block), blocksPerTurn(std::max(1, 4096 / block)) {}

    void warmUp(VstHost& host)
    {
        host.start(44100.0, block);
        host.play(0.0);
        for (int i = 0; i < 2 * 44100 / block; ++i)
            host.processBlock(left.data(), right.data(), block);
    }

    // Both in turn, the order swapped every time; returns the time of each.
    void run(benchmark::State& state, VstHost& a, VstHost& b, double& aTime, double& bTime)
    {
        bool bFirst = false;
        for (auto _ : state)
        {
            if (bFirst)
            {
                bTime += turn(b);
                aTime += turn(a);
            }
            else
            {
                aTime += turn(a);
                bTime += turn(b);
            }
            bFirst = !bFirst;
        }
        state.SetItemsProcessed(state.iterations() * blocksPerTurn * block * 2);
    }

    double samples(const benchmark::State& state) const
    {
        return static_cast<double>(state.iterations()) * blocksPerTurn * block;
    }

private:
    double turn(VstHost& host)
    {
        const auto t0 = std::chrono::steady_clock::now();
        for (int i = 0; i < blocksPerTurn; ++i)
            host.processBlock(left.data(), right.data(), block);
        host.received.clear();
        return std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - t0)
            .count();
    }

    const int block;
    const int blocksPerTurn;
    std::vector<float> left = std::vector<float>(static_cast<std::size_t>(block));
    std::vector<float> right = std::vector<float>(static_cast<std::size_t>(block));
};

std::vector<std::uint8_t> chainOfPatternZero()
{
    quelvar::Palladon engine(nullptr, quelvar::Flavour::plugin);
    quelvar::ChainEntries chain;
    chain.append(0);
    engine.setChain(chain);
    engine.setParameter(quelvar::kChainPlay, 1.0f);
    return quelvar::getChunkBytes(engine);
}

void BM_ChainOverPattern(benchmark::State& state)
{
    const int block = static_cast<int>(state.range(0));
    VstHost pattern(QUELVAR_PLUGIN_PATH);
    VstHost chain(QUELVAR_PLUGIN_PATH);
    if (!pattern.loaded() || !chain.loaded())
    {
        state.SkipWithError("plugin not loaded");
        return;
    }
    std::vector<std::uint8_t> state0 = chainOfPatternZero();
    chain.dispatch(effSetChunk, 0, static_cast<VstIntPtr>(state0.size()), state0.data());
    Turns turns(block);
    turns.warmUp(pattern);
    turns.warmUp(chain);
    double patternTime = 0.0;
    double chainTime = 0.0;
    turns.run(state, pattern, chain, patternTime, chainTime);
    state.counters["pattern_per_sample_ns"] = patternTime / turns.samples(state);
    state.counters["chain_per_sample_ns"] = chainTime / turns.samples(state);
    state.counters["chain_over_pattern"] = chainTime / patternTime;
}

void BM_ThisOverBaseline(benchmark::State& state)
{
    const char* baselinePath = std::getenv("QUELVAR_BASELINE_PLUGIN");
    if (!baselinePath)
    {
        state.SkipWithError("QUELVAR_BASELINE_PLUGIN names no other build of the plugin");
        return;
    }
    const int block = static_cast<int>(state.range(0));
    VstHost current(QUELVAR_PLUGIN_PATH);
    VstHost baseline(baselinePath);
    if (!current.loaded() || !baseline.loaded())
    {
        state.SkipWithError("plugin not loaded");
        return;
    }
    Turns turns(block);
    turns.warmUp(current);
    turns.warmUp(baseline);
    double currentTime = 0.0;
    double baselineTime = 0.0;
    turns.run(state, current, baseline, currentTime, baselineTime);
    state.counters["this_per_sample_ns"] = currentTime / turns.samples(state);
    state.counters["baseline_per_sample_ns"] = baselineTime / turns.samples(state);
    state.counters["this_over_baseline"] = currentTime / baselineTime;
}
} // namespace

BENCHMARK(BM_ChainOverPattern)->Arg(32)->Arg(512)->Arg(4096);
BENCHMARK(BM_ThisOverBaseline)->Arg(32)->Arg(512)->Arg(4096);
