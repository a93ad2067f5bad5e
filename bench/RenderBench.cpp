// Rendering cost through the plugin boundary, in nanoseconds per output sample. Baselines in
// the same run: an empty render (the host's own cost), the LV2 and VST 3 bundles and
// Quelvar.clap each beside the VST plugin (what each adapter adds) and, when installed, a peer
// synth playing an equivalent sixteenth-note line from MIDI.
#include "AlternatingTurns.h"
#include "SixteenthLine.h"
#include "lv2/lv2Uris.h"
#include "support/ClapTestHost.h"
#include "support/Lv2TestHost.h"
#include "support/Vst3TestHost.h"
#include "tools/vsthost/VstHost.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <unistd.h>
#include <vector>

using quelvar::ClapTestHost;
using quelvar::Lv2TestHost;
using quelvar::Vst3TestHost;
namespace vst3 = quelvar::vst3;
using quelvar::VstHost;

namespace
{
constexpr const char* kPeerPlugin = "/usr/lib/vst/Nekobi-vst.so";

void reportPerSample(benchmark::State& state, int block)
{
    state.SetItemsProcessed(state.iterations() * block);
    state.counters["per_sample"] = benchmark::Counter(
        static_cast<double>(block),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_EmptyRender(benchmark::State& state)
{
    const int block = static_cast<int>(state.range(1));
    std::vector<float> left(block), right(block);
    for (auto _ : state)
    {
        std::memset(left.data(), 0, sizeof(float) * block);
        std::memset(right.data(), 0, sizeof(float) * block);
        benchmark::DoNotOptimize(left.data());
        benchmark::DoNotOptimize(right.data());
    }
    reportPerSample(state, block);
}

void BM_Quelvar(benchmark::State& state)
{
    const double rate = static_cast<double>(state.range(0));
    const int block = static_cast<int>(state.range(1));
    VstHost host(QUELVAR_PLUGIN_PATH);
    if (!host.loaded())
    {
        state.SkipWithError("plugin not loaded");
        return;
    }
    host.start(rate, block);
    host.play(0.0);
    std::vector<float> left(block), right(block);
    for (int i = 0; i < rate / block; ++i)
        host.processBlock(left.data(), right.data(), block);
    for (auto _ : state)
    {
        host.processBlock(left.data(), right.data(), block);
        host.received.clear();
    }
    reportPerSample(state, block);
}

// This thread's processor time in nanoseconds: time the scheduler gives to other programs on a
// shared machine does not count.
double threadNanoseconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e9 + static_cast<double>(t.tv_nsec);
}

// The VST plugin, the LV2 bundle and the VST 3 bundle rendering the same transport block by
// block in turn, each call timed on its own and the order rotated every block, so the machine's
// state falls on all alike: lv2_over_vst and vst3_over_vst are what each adapter and its host add.
void BM_Lv2OverVst(benchmark::State& state)
{
    const double rate = static_cast<double>(state.range(0));
    const int block = static_cast<int>(state.range(1));
    VstHost vst(QUELVAR_PLUGIN_PATH);
    Lv2TestHost lv2(QUELVAR_LV2_PATH, quelvar::kLv2PluginUri, rate, block);
    Vst3TestHost vst3(QUELVAR_VST3_BUNDLE);
    if (!vst.loaded() || !lv2.loaded() || !vst3.loaded() || !vst3.start(rate, block))
    {
        state.SkipWithError("plugin not loaded");
        return;
    }
    vst.start(rate, block);
    vst.play(0.0);
    lv2.play(0.0);
    vst3.context.state |= vst3::ProcessContext::kPlaying;
    std::vector<float> left(block), right(block);
    double position = 0.0;
    const double beatsPerBlock = block / rate * 2.0; // 120 BPM
    auto renderVst3 = [&]
    {
        vst3.context.projectTimeMusic = position;
        vst3.process(left.data(), right.data(), block);
        position += beatsPerBlock;
    };
    for (int i = 0; i < rate / block; ++i)
    {
        vst.processBlock(left.data(), right.data(), block);
        lv2.process(left.data(), right.data(), block);
        renderVst3();
    }
    double times[3] = {0.0, 0.0, 0.0}; // VST 2, LV2, VST 3
    int first = 0;
    for (auto _ : state)
    {
        for (int k = 0; k < 3; ++k)
        {
            const int which = (first + k) % 3;
            const double t0 = threadNanoseconds();
            if (which == 0)
                vst.processBlock(left.data(), right.data(), block);
            else if (which == 1)
                lv2.process(left.data(), right.data(), block);
            else
                renderVst3();
            times[which] += threadNanoseconds() - t0;
        }
        first = (first + 1) % 3;
        vst.received.clear();
        lv2.received.clear();
    }
    const double samples = static_cast<double>(state.iterations()) * block;
    state.SetItemsProcessed(state.iterations() * block * 3);
    state.counters["vst_per_sample_ns"] = times[0] / samples;
    state.counters["lv2_per_sample_ns"] = times[1] / samples;
    state.counters["vst3_per_sample_ns"] = times[2] / samples;
    state.counters["lv2_over_vst"] = times[1] / times[0];
    state.counters["vst3_over_vst"] = times[2] / times[0];
}

// The VST plugin and Quelvar.clap in turn, timed as BM_Lv2OverVst times them: clap_over_vst is
// what the CLAP adapter and its host add.
void BM_ClapOverVst(benchmark::State& state)
{
    const double rate = static_cast<double>(state.range(0));
    const int block = static_cast<int>(state.range(1));
    VstHost vst(QUELVAR_PLUGIN_PATH);
    ClapTestHost clap(QUELVAR_CLAP_PATH);
    if (!vst.loaded() || !clap.loaded() || !clap.create() ||
        !clap.activate(rate, static_cast<std::uint32_t>(block)))
    {
        state.SkipWithError("plugin not loaded");
        return;
    }
    vst.start(rate, block);
    vst.play(0.0);
    clap.transport = ClapTestHost::transportAt(0.0, 120.0, true);
    const auto frames = static_cast<std::uint32_t>(block);
    std::vector<float> left(block), right(block);
    for (int i = 0; i < rate / block; ++i)
    {
        vst.processBlock(left.data(), right.data(), block);
        clap.process(left.data(), right.data(), frames);
    }
    double vstTime = 0.0;
    double clapTime = 0.0;
    bool clapFirst = false;
    for (auto _ : state)
    {
        const double t0 = threadNanoseconds();
        if (clapFirst)
            clap.process(left.data(), right.data(), frames);
        else
            vst.processBlock(left.data(), right.data(), block);
        const double t1 = threadNanoseconds();
        if (clapFirst)
            vst.processBlock(left.data(), right.data(), block);
        else
            clap.process(left.data(), right.data(), frames);
        const double t2 = threadNanoseconds();
        (clapFirst ? clapTime : vstTime) += t1 - t0;
        (clapFirst ? vstTime : clapTime) += t2 - t1;
        clapFirst = !clapFirst;
        vst.received.clear();
        clap.sent.clear();
    }
    const double samples = static_cast<double>(state.iterations()) * block;
    state.SetItemsProcessed(state.iterations() * block * 2);
    state.counters["vst_per_sample_ns"] = vstTime / samples;
    state.counters["clap_per_sample_ns"] = clapTime / samples;
    state.counters["clap_over_vst"] = clapTime / vstTime;
}

void BM_PeerSynth(benchmark::State& state)
{
    const double rate = static_cast<double>(state.range(0));
    const int block = static_cast<int>(state.range(1));
    if (access(kPeerPlugin, R_OK) != 0)
    {
        state.SkipWithError("peer synth not installed (Debian package dpf-plugins-vst)");
        return;
    }
    VstHost host(kPeerPlugin);
    if (!host.loaded())
    {
        state.SkipWithError("peer synth not loaded");
        return;
    }
    host.start(rate, block);
    SixteenthLine line(rate, 120.0);
    std::vector<float> left(block), right(block);
    long long position = 0;
    for (auto _ : state)
    {
        line.queue(host, position, block);
        host.processBlock(left.data(), right.data(), block);
        position += block;
    }
    reportPerSample(state, block);
}

// The stages of the chain: 0 the voice alone, 1-4 with distortion type 0-3, 5 with the delay,
// 6 with the delay's high-pass and ping-pong, 7 with its low-pass.
void setUpStage(VstHost& host, int stage)
{
    if (stage >= 1 && stage <= 4)
    {
        host.setParameter(22, 1.0f);
        host.setParameter(23, 0.25f * static_cast<float>(stage - 1));
        host.setParameter(24, 0.7f);
    }
    if (stage >= 5)
    {
        host.setParameter(15, 1.0f);
        host.setParameter(20, 0.7f);
    }
    if (stage == 6)
    {
        host.setParameter(17, 1.0f);
        host.setParameter(21, 0.8f);
    }
    if (stage == 7)
        host.setParameter(21, 0.2f);
}

// Each stage of the chain on its own at 44100 Hz / 512: the voice alone, the voice with one of
// the four distortion types, the voice with the delay (plain, then filtered and ping-pong).
void BM_QuelvarStage(benchmark::State& state)
{
    constexpr int kBlock = 512;
    const int stage = static_cast<int>(state.range(0));
    VstHost host(QUELVAR_PLUGIN_PATH);
    if (!host.loaded())
    {
        state.SkipWithError("plugin not loaded");
        return;
    }
    host.start(44100.0, kBlock);
    setUpStage(host, stage);
    host.play(0.0);
    std::vector<float> left(kBlock), right(kBlock);
    for (int i = 0; i < 44100 / kBlock; ++i)
        host.processBlock(left.data(), right.data(), kBlock);
    for (auto _ : state)
        host.processBlock(left.data(), right.data(), kBlock);
    reportPerSample(state, kBlock);
}

// The delay's cost while echoes ring against its cost after a long silence, when every state
// has decayed towards denormal numbers: the two must stay close.
void BM_DelayTail(benchmark::State& state)
{
    constexpr int kBlock = 512;
    const bool silentTail = state.range(0) != 0;
    VstHost host(QUELVAR_PLUGIN_PATH);
    if (!host.loaded())
    {
        state.SkipWithError("plugin not loaded");
        return;
    }
    host.start(44100.0, kBlock);
    host.setParameter(15, 1.0f);
    host.setParameter(20, 0.95f);
    host.setParameter(21, 0.9f);
    host.play(0.0);
    std::vector<float> left(kBlock), right(kBlock);
    for (int i = 0; i < 2 * 44100 / kBlock; ++i)
        host.processBlock(left.data(), right.data(), kBlock);
    if (silentTail)
    {
        host.stop();
        for (int i = 0; i < 120 * 44100 / kBlock; ++i)
            host.processBlock(left.data(), right.data(), kBlock);
    }
    for (auto _ : state)
        host.processBlock(left.data(), right.data(), kBlock);
    reportPerSample(state, kBlock);
}

// A stopped instance whose output has died away (the delay's tail included) against the same
// set-up playing, in turns: idle_over_playing is what a block of silence costs.
void BM_IdleOverPlaying(benchmark::State& state)
{
    const int stage = static_cast<int>(state.range(0));
    const int block = static_cast<int>(state.range(1));
    VstHost playing(QUELVAR_PLUGIN_PATH);
    VstHost idle(QUELVAR_PLUGIN_PATH);
    if (!playing.loaded() || !idle.loaded())
    {
        state.SkipWithError("plugin not loaded");
        return;
    }
    std::vector<float> left(block), right(block);
    for (VstHost* host : {&playing, &idle})
    {
        host->start(44100.0, block);
        setUpStage(*host, stage);
        host->play(0.0);
        for (int i = 0; i < 2 * 44100 / block; ++i)
            host->processBlock(left.data(), right.data(), block);
    }
    // A feedback of 0.7 takes about 80 s to die away to nothing a float holds.
    idle.stop();
    for (int i = 0; i < 120 * 44100 / block; ++i)
        idle.processBlock(left.data(), right.data(), block);
    quelvar::AlternatingTurns turns(block);
    double playingTime = 0.0;
    double idleTime = 0.0;
    turns.run(state, playing, idle, playingTime, idleTime);
    state.counters["playing_per_sample_ns"] = playingTime / turns.samples(state);
    state.counters["idle_per_sample_ns"] = idleTime / turns.samples(state);
    state.counters["idle_over_playing"] = idleTime / playingTime;
}

void renderArguments(benchmark::internal::Benchmark* b)
{
    for (int rate : {44100, 48000})
        for (int block : {32, 512, 4096})
            b->Args({rate, block});
}
} // namespace

BENCHMARK(BM_EmptyRender)->Apply(renderArguments);
BENCHMARK(BM_Quelvar)->Apply(renderArguments);
BENCHMARK(BM_Lv2OverVst)->Apply(renderArguments);
BENCHMARK(BM_ClapOverVst)->Apply(renderArguments);
BENCHMARK(BM_PeerSynth)->Apply(renderArguments);
BENCHMARK(BM_QuelvarStage)->DenseRange(0, 6);
BENCHMARK(BM_DelayTail)->Arg(0)->Arg(1);
BENCHMARK(BM_IdleOverPlaying)->ArgsProduct({{0, 1, 2, 3, 4, 5, 6, 7}, {32, 512, 4096}});
