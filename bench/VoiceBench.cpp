// The voice alone, per sample, with and without its filter chain's cost centres, so changes to
// the extended-precision path can be measured in isolation.
#include "dsp/filterTables.h"
#include "engine/Voice.h"
#include "sequencer/Step.h"

#include <benchmark/benchmark.h>

using namespace quelvar;

namespace
{
void BM_VoiceSequencerSample(benchmark::State& state)
{
    initFilterTables();
    Voice voice;
    voice.reset();
    VoiceParameters p;
    p.cutoff = 0.3f;
    p.resonance = 0.9f;
    p.envMod = 0.4f;
    p.accent = 0.5f;
    p.decay = 0.5f;
    p.square = state.range(0) != 0;
    const VoiceBlock block = voice.prepareBlock(p, 44100.0, false);
    Step step, next;
    step.setNote(20);
    next.setNote(22);
    constexpr int kStep = 5512;
    int inStep = 0;
    bool released = false;
    long double sum = 0.0L;
    for (auto _ : state)
    {
        if (inStep == 0)
        {
            voice.startStep(nullptr, step, next, kStep, block, true);
            voice.restartNote();
        }
        sum += voice.sequencerSample(block, 0.0f, kStep, 0, 1.0, released);
        voice.advance();
        inStep = inStep + 1 < kStep ? inStep + 1 : 0;
    }
    benchmark::DoNotOptimize(sum);
    state.SetItemsProcessed(state.iterations());
}
} // namespace

BENCHMARK(BM_VoiceSequencerSample)->Arg(0)->Arg(1);
