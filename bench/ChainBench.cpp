// What chain play costs: two instances rendering the same line in turns, one playing pattern 0
// and one playing a chain of pattern 0 alone (the same notes, so only the chain's own work
// differs): chain_over_pattern. And this build against another build of the plugin
// (QUELVAR_BASELINE_PLUGIN, say the one before chains), both without a chain:
// this_over_baseline is what the chain's code costs while no chain plays.
#include "AlternatingTurns.h"
#include "engine/Palladon.h"
#include "engine/PalladonFiles.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <vector>

using quelvar::VstHost;

namespace
{
std::vector<std::uint8_t> chainOfPatternZero()
{
    quelvar::Palladon engine(nullptr, quelvar::Flavour::plugin);
    quelvar::ChainEntries chain;
    chain.append(0);
    engine.setChain(chain);
    engine.setParameter(quelvar::kChainPlay, 1.0f);
    return quelvar::getChunkBytes(engine);
}

// Both playing from beat 0 for a second, then in turns; `second` gets `state` first when given.
void compare(benchmark::State& state, VstHost& first, VstHost& second, const char* firstName,
             const char* secondName, std::vector<std::uint8_t> secondState)
{
    const int block = static_cast<int>(state.range(0));
    if (!first.loaded() || !second.loaded())
    {
        state.SkipWithError("plugin not loaded");
        return;
    }
    if (!secondState.empty())
        second.dispatch(effSetChunk, 0, static_cast<VstIntPtr>(secondState.size()),
                        secondState.data());
    std::vector<float> left(static_cast<std::size_t>(block)), right(left.size());
    for (VstHost* host : {&first, &second})
    {
        host->start(44100.0, block);
        host->play(0.0);
        for (int i = 0; i < 44100 / block; ++i)
            host->processBlock(left.data(), right.data(), block);
    }
    quelvar::AlternatingTurns turns(block);
    double firstTime = 0.0;
    double secondTime = 0.0;
    turns.run(state, first, second, firstTime, secondTime);
    state.counters[std::string(firstName) + "_per_sample_ns"] = firstTime / turns.samples(state);
    state.counters[std::string(secondName) + "_per_sample_ns"] = secondTime / turns.samples(state);
    state.counters[std::string(secondName) + "_over_" + firstName] = secondTime / firstTime;
}

void BM_ChainOverPattern(benchmark::State& state)
{
    VstHost pattern(QUELVAR_PLUGIN_PATH);
    VstHost chain(QUELVAR_PLUGIN_PATH);
    compare(state, pattern, chain, "pattern", "chain", chainOfPatternZero());
}

void BM_ThisOverBaseline(benchmark::State& state)
{
    const char* baselinePath = std::getenv("QUELVAR_BASELINE_PLUGIN");
    if (!baselinePath)
    {
        state.SkipWithError("QUELVAR_BASELINE_PLUGIN names no other build of the plugin");
        return;
    }
    VstHost baseline(baselinePath);
    VstHost current(QUELVAR_PLUGIN_PATH);
    compare(state, baseline, current, "baseline", "this", {});
}
} // namespace

BENCHMARK(BM_ChainOverPattern)->Arg(32)->Arg(512)->Arg(4096);
BENCHMARK(BM_ThisOverBaseline)->Arg(32)->Arg(512)->Arg(4096);
