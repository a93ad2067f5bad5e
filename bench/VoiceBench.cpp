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
    constexpr int kBlock = 512;
    int inStep = 0;
    float out[kBlock];
    float sum = 0.0f;
    for (auto _ : state)
    {
        int runStart = 0;
        for (int i = 0; i < kBlock; ++i)
        {
            if (inStep == 0)
            {
                voice.renderQueued(block, out + runStart);
                runStart = i;
                voice.startStep(nullptr, step, next, kStep, block, true);
                voice.restartNote();
            }
            voice.queueSample(0.0f, kStep, 0, 1.0);
            voice.advance();
            inStep = inStep + 1 < kStep ? inStep + 1 : 0;
            if (voice.runFull())
            {
                voice.renderQueued(block, out + runStart);
                runStart = i + 1;
            }
        }
        voice.renderQueued(block, out + runStart);
        sum += out[kBlock - 1];
    }
    benchmark::DoNotOptimize(sum);
    state.SetItemsProcessed(state.iterations() * kBlock);
}
} // namespace

BENCHMARK(BM_VoiceSequencerSample)->Arg(0)->Arg(1);
