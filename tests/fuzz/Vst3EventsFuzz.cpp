// What a VST 3 host hands the plugin's process(): blocks of any length at any rate, process
// contexts with any flags and numbers (NaN, infinities, cycles backwards), events of every type
// with any offset, pitch, channel and velocity, parameter changes for any id with any offset and
// value. The lists are well formed, as the interface asks of hosts; what they hold is not.
// Whatever comes, the audio stays finite, the notes out stay inside their block in order, and
// the parameter changes out name slots with values in 0–1.
#include "support/Vst3TestHost.h"
#include "vst3/Vst3Plugin.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace
{
using namespace quelvar;
using namespace quelvar::vst3;

// The input, read from the front; past its end every read is zero.
class Reader
{
public:
    Reader(const std::uint8_t* data, std::size_t size) : data(data), size(size) {}
    std::uint8_t byte() { return at < size ? data[at++] : 0; }
    bool more() const { return at < size; }
    template <class T> T raw()
    {
        std::uint8_t b[sizeof(T)];
        for (std::uint8_t& x : b)
            x = byte();
        T v;
        std::memcpy(&v, b, sizeof v);
        return v;
    }

private:
    const std::uint8_t* data;
    std::size_t size;
    std::size_t at = 0;
};

constexpr int kMaxFrames = 1500;
constexpr double kRates[] = {8000.0, 22050.0, 44100.0, 96000.0, 384000.0};

void check(bool ok, const char* what)
{
    if (ok)
        return;
    std::fprintf(stderr, "Vst3EventsFuzz: %s\n", what);
    std::abort();
}

ParamID anyId(Reader& in)
{
    const std::uint8_t kind = in.byte();
    switch (kind % 5)
    {
    case 0:
        return in.byte() % kNumParams;
    case 1:
        return kProgramParamId;
    case 2:
        return kPitchBendParamId;
    case 3:
        return kFirstControllerParamId + in.byte() % 140;
    default:
        return in.raw<ParamID>();
    }
}

void readContext(Reader& in, ProcessContext& c)
{
    c.state = in.raw<std::uint32_t>();
    c.tempo = in.byte() < 200 ? 40.0 + in.byte() : in.raw<double>();
    c.projectTimeMusic = in.byte() < 200 ? in.byte() / 8.0 : in.raw<double>();
    c.projectTimeSamples = in.raw<std::int32_t>();
    c.cycleStartMusic = in.byte() < 200 ? in.byte() / 4.0 : in.raw<double>();
    c.cycleEndMusic = in.byte() < 200 ? in.byte() / 4.0 : in.raw<double>();
}

void readEvents(Reader& in, EventList& events, int frames)
{
    const int count = in.byte() % 24;
    for (int i = 0; i < count; ++i)
    {
        Event e{};
        e.type = static_cast<std::uint16_t>(in.byte() % 9);
        e.sampleOffset = in.byte() < 230 ? in.byte() * frames / 256 : in.raw<std::int32_t>();
        const auto channel = static_cast<int16>(in.byte() < 240 ? in.byte() % 16 : in.raw<int16>());
        const auto pitch = static_cast<int16>(in.byte() < 240 ? in.byte() % 128 : in.raw<int16>());
        const float velocity = in.byte() < 230 ? in.byte() / 255.0f : in.raw<float>();
        if (e.type == Event::kNoteOnEvent)
            e.noteOn = {channel, pitch, 0.0f, velocity, 0, -1};
        else if (e.type == Event::kNoteOffEvent)
            e.noteOff = {channel, pitch, velocity, -1, 0.0f};
        else
            e.polyPressure = {channel, pitch, velocity, -1};
        events.addEvent(e);
    }
}

void readChanges(Reader& in, ParameterChanges& changes, int frames)
{
    const int count = in.byte() % 16;
    for (int i = 0; i < count; ++i)
    {
        const ParamID id = anyId(in);
        const int points = 1 + in.byte() % 4;
        for (int p = 0; p < points; ++p)
        {
            const int offset = in.byte() < 230 ? in.byte() * frames / 256 : in.raw<std::int32_t>();
            const double value = in.byte() < 220 ? in.byte() / 255.0 : in.raw<double>();
            changes.add(id, offset, value);
        }
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Reader in(data, size);
    Vst3Plugin* plugin = Vst3Plugin::create();
    if (!plugin)
        return 0;
    ProcessSetup setup{kRealtime, kSample32, 1 + in.byte() * 4, kRates[in.byte() % 5]};
    plugin->setupProcessing(setup);
    plugin->setActive(true);
    plugin->setProcessing(true);

    static EventList inputEvents;
    static EventList outputEvents;
    static ParameterChanges inputChanges;
    static ParameterChanges outputChanges;
    std::vector<float> left(kMaxFrames), right(kMaxFrames);
    for (int round = 0; round < 64 && in.more(); ++round)
    {
        const int frames = (in.byte() | in.byte() << 8) % (kMaxFrames + 1);
        ProcessContext context{};
        readContext(in, context);
        inputEvents.clear();
        outputEvents.clear();
        inputChanges.clear();
        outputChanges.clear();
        readEvents(in, inputEvents, frames);
        readChanges(in, inputChanges, frames);

        ProcessBlock block(left.data(), right.data(), frames, &inputChanges, &outputChanges,
                           &inputEvents, &outputEvents, in.byte() < 250 ? &context : nullptr);
        check(plugin->process(block.data) == kResultOk, "a block was refused");

        for (int i = 0; i < frames; ++i)
            check(std::isfinite(left[static_cast<std::size_t>(i)]) &&
                      std::isfinite(right[static_cast<std::size_t>(i)]),
                  "audio not finite");
        int last = 0;
        for (int i = 0; i < outputEvents.getEventCount(); ++i)
        {
            const Event& e = outputEvents.at(i);
            check(e.sampleOffset >= last && e.sampleOffset < std::max(frames, 1),
                  "a note out of its block or out of order");
            check(e.type == Event::kNoteOnEvent || e.type == Event::kNoteOffEvent,
                  "an event out that is no note");
            last = e.sampleOffset;
        }
        for (int i = 0; i < outputChanges.getParameterCount(); ++i)
        {
            IParamValueQueue* q = outputChanges.getParameterData(i);
            check(q->getParameterId() < static_cast<ParamID>(kNumParams), "a report of no slot");
            for (int p = 0; p < q->getPointCount(); ++p)
            {
                int32 offset = 0;
                ParamValue value = 0.0;
                q->getPoint(p, offset, value);
                check(value >= 0.0 && value <= 1.0, "a reported value outside 0-1");
            }
        }
    }
    plugin->setProcessing(false);
    plugin->setActive(false);
    plugin->release();
    return 0;
}
