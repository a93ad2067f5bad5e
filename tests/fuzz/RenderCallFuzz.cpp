// What an adapter may hand the render call: blocks of any length (none, longer than prepared),
// host times with any values, transport changes, MIDI and parameter changes at any frame, in any
// number (past the lists' capacities too). Whatever comes, the output stays finite, the notes
// handed back stay in time order inside their block, and the engine's state stays in range.
#include "FuzzInput.h"
#include "fuzzEngine.h"

#include <cmath>
#include <cstring>
#include <vector>

namespace
{
using namespace quelvar;

constexpr int kMaxFrames = 3000;

HostTime readTime(fuzz::FuzzInput& in)
{
    HostTime t;
    const int rates[] = {0, 11025, 16000, 44100, 48000, 96000};
    t.sampleRate = in.byte() % 8 == 0 ? in.number(1000.0) : rates[in.byte() % 6];
    t.tempo = in.number(3.0);
    t.ppqPosition = in.number(0.37);
    const int flags = in.byte();
    t.playing = flags & 1;
    t.transportChanged = flags & 2;
    return t;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static fuzz::FuzzEngine engines;
    static RenderInput input;
    static RenderOutput output;
    static std::vector<float> left(kMaxFrames), right(kMaxFrames);
    Palladon& engine = engines.reset();
    fuzz::FuzzInput in(data, size);
    const float rates[] = {44100.0f, 48000.0f, 16000.0f, 96000.0f};
    engine.setSampleRate(rates[in.byte() % 4]);
    engine.setBlockSize(1 + in.word() % 1024);
    engine.resume();
    output.left = left.data();
    output.right = right.data();

    for (int block = 1 + in.byte() % 6; block > 0; --block)
    {
        input.clear();
        input.frames = in.word() % kMaxFrames;
        input.time = readTime(in);
        input.timeAfterGiven = in.byte() % 2;
        input.timeAfter = readTime(in);
        for (int n = in.byte() % 40; n > 0; --n)
            input.transport.add({in.word() - 4096, readTime(in)});
        for (int n = in.byte() % 600; n > 0; --n)
            input.midi.add({in.word() - 4096, {in.byte(), in.byte(), in.byte()}});
        for (int n = in.byte() % 300; n > 0; --n)
            input.parameters.add(
                {in.word() - 4096, in.byte() % 34 - 2, static_cast<float>(in.number(0.02))});
        engine.render(input, output);

        for (int i = 0; i < input.frames; ++i)
            if (!std::isfinite(left[static_cast<std::size_t>(i)]) ||
                !std::isfinite(right[static_cast<std::size_t>(i)]))
                fuzz::fail("output not finite", i, input.frames);
        int last = 0;
        for (const BlockMidi& m : output.midi)
        {
            if (m.frame < last || m.frame >= input.frames)
                fuzz::fail("MIDI out not in the block's time order", m.frame, input.frames);
            last = m.frame;
        }
        for (const ParameterReport& r : output.reports)
            if (r.slot < 0 || r.slot >= kNumParams || !(r.value >= 0.0f && r.value <= 1.0f))
                fuzz::fail("report", r.slot, static_cast<int>(r.value * 1000.0f));
        fuzz::checkEngine(engine);
    }
    return 0;
}
