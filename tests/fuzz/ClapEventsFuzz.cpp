// What a CLAP host hands the plugin's process(): blocks of any length, with or without output
// buffers, a transport of any values or none, and input events of every kind with any header
// (sizes short of their record, other spaces, times past the block, out of order) and any
// fields. Whatever comes, the output stays finite, the output events stay in time order inside
// their block, and every parameter stays within its range.
#include "clap/ClapPlugin.h"

#include "FuzzInput.h"
#include "fuzzEngine.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
#include <memory>
#include <vector>

namespace
{
using namespace quelvar;
using namespace quelvar::clap;

constexpr std::uint32_t kMaxFrames = 1500;
constexpr std::uint32_t kMaxEvents = 24;

union AnyEvent
{
    clap_event_header header;
    clap_event_note note;
    clap_event_midi midi;
    clap_event_param_value value;
    clap_event_transport transport;
    std::uint8_t bytes[sizeof(clap_event_transport)];
};

struct Events
{
    AnyEvent events[kMaxEvents];
    std::uint32_t count = 0;
    static std::uint32_t size(const clap_input_events* list)
    {
        return static_cast<const Events*>(list->ctx)->count;
    }
    static const clap_event_header* get(const clap_input_events* list, std::uint32_t i)
    {
        const auto* self = static_cast<const Events*>(list->ctx);
        return i < self->count ? &self->events[i].header : nullptr;
    }
};

struct Sent
{
    std::uint32_t frames = 0;
    std::uint32_t lastTime = 0;
    static bool push(const clap_output_events* list, const clap_event_header* e)
    {
        auto& self = *static_cast<Sent*>(list->ctx);
        if (!e || e->size < sizeof(clap_event_header) || e->size > sizeof(clap_event_transport))
            fuzz::fail("output event of a bad size", e ? static_cast<int>(e->size) : -1, 0);
        if (e->time < self.lastTime || (self.frames > 0 && e->time >= self.frames))
            fuzz::fail("output event not in the block's time order", static_cast<int>(e->time),
                       static_cast<int>(self.frames));
        self.lastTime = e->time;
        return true;
    }
};

clap_event_transport readTransport(fuzz::FuzzInput& in)
{
    clap_event_transport t{};
    t.header = {sizeof t, 0, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_TRANSPORT, 0};
    t.flags = in.byte();
    t.song_pos_beats =
        in.byte() % 2 ? in.raw<std::int64_t>() : static_cast<std::int64_t>(in.word()) << 24;
    t.tempo = in.number(3.0);
    t.tempo_inc = in.byte() % 4 ? 0.0 : in.number(0.01);
    return t;
}

void readEvent(fuzz::FuzzInput& in, AnyEvent& e, std::uint32_t frames)
{
    std::memset(&e, 0, sizeof e);
    const std::uint16_t types[] = {
        CLAP_EVENT_NOTE_ON,     CLAP_EVENT_NOTE_OFF,  CLAP_EVENT_NOTE_CHOKE, CLAP_EVENT_NOTE_END,
        CLAP_EVENT_PARAM_VALUE, CLAP_EVENT_PARAM_MOD, CLAP_EVENT_TRANSPORT,  CLAP_EVENT_MIDI,
        CLAP_EVENT_MIDI_SYSEX,  CLAP_EVENT_MIDI2};
    const std::uint8_t kind = in.byte();
    const std::uint16_t type = types[kind % std::size(types)];
    if (type == CLAP_EVENT_TRANSPORT)
        e.transport = readTransport(in);
    else if (type == CLAP_EVENT_PARAM_VALUE || type == CLAP_EVENT_PARAM_MOD)
    {
        e.value.param_id = in.byte() % 2 ? in.byte() % 32 : in.raw<clap_id>();
        e.value.value = in.number(0.05);
    }
    else if (type == CLAP_EVENT_MIDI)
        for (std::uint8_t& b : e.midi.data)
            b = in.byte();
    else
    {
        e.note.key = static_cast<std::int16_t>(in.byte() % 2 ? in.byte() - 2 : in.word());
        e.note.channel = static_cast<std::int16_t>(in.byte() - 2);
        e.note.velocity = in.number(0.01);
    }
    const std::uint32_t sizes[] = {sizeof(clap_event_note), sizeof(clap_event_param_value),
                                   sizeof(clap_event_transport), sizeof(clap_event_midi)};
    const std::uint32_t size = sizes[(kind >> 4) % std::size(sizes)];
    e.header.size = kind & 0x08 ? in.byte() % size : size;
    e.header.time = in.byte() % 4 ? in.word() % (frames + 2) : in.raw<std::uint32_t>();
    e.header.space_id = kind & 0x04 ? in.byte() % 3 : CLAP_CORE_EVENT_SPACE_ID;
    e.header.type = kind & 0x02 && in.byte() % 4 == 0 ? in.byte() : type;
    e.header.flags = in.byte();
}

const void* noExtension(const clap_host*, const char*)
{
    return nullptr;
}

void nothing(const clap_host*) {}

// One instance for every input, set back to a fresh instance's state before each.
struct Instance
{
    clap_host host{CLAP_VERSION, nullptr,     "fuzz",  "",      "",
                   "1",          noExtension, nothing, nothing, nothing};
    clap_plugin entries{};
    std::unique_ptr<ClapPlugin> plugin;
    std::vector<std::uint8_t> state;

    Instance() : plugin(std::make_unique<ClapPlugin>(entries, host))
    {
        if (!plugin->init())
            fuzz::fail("no instance", 0, 0);
        const clap_ostream out{&state, [](const clap_ostream* s, const void* b, std::uint64_t n)
                               {
                                   auto& bytes = *static_cast<std::vector<std::uint8_t>*>(s->ctx);
                                   const auto* p = static_cast<const std::uint8_t*>(b);
                                   bytes.insert(bytes.end(), p, p + n);
                                   return static_cast<std::int64_t>(n);
                               }};
        plugin->save(out);
    }

    void restore()
    {
        struct Cursor
        {
            const std::vector<std::uint8_t>* bytes;
            std::size_t at;
        } cursor{&state, 0};
        const clap_istream in{&cursor, [](const clap_istream* s, void* b, std::uint64_t n)
                              {
                                  auto& c = *static_cast<Cursor*>(s->ctx);
                                  const std::size_t k = std::min<std::size_t>(
                                      static_cast<std::size_t>(n), c.bytes->size() - c.at);
                                  std::memcpy(b, c.bytes->data() + c.at, k);
                                  c.at += k;
                                  return static_cast<std::int64_t>(k);
                              }};
        if (!plugin->load(in))
            fuzz::fail("the fresh state did not load", 0, 0);
    }
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static Instance instance;
    static std::vector<float> left(kMaxFrames), right(kMaxFrames);
    static Events events;
    ClapPlugin& plugin = *instance.plugin;
    instance.restore();
    fuzz::FuzzInput in(data, size);
    const double rates[] = {8000.0, 22050.0, 44100.0, 48000.0, 96000.0};
    if (!plugin.activate(rates[in.byte() % std::size(rates)], 1 + in.word() % kMaxFrames))
        fuzz::fail("activation refused", 0, 0);
    plugin.startProcessing();
    plugin.reset();

    for (int block = 1 + in.byte() % 6; block > 0; --block)
    {
        const std::uint32_t frames = in.word() % kMaxFrames;
        const std::uint8_t shape = in.byte();
        clap_event_transport transport = readTransport(in);
        events.count = in.byte() % (kMaxEvents + 1);
        for (std::uint32_t i = 0; i < events.count; ++i)
            readEvent(in, events.events[i], frames);
        if (shape & 0x10)
            plugin.reset();

        float* channels[2] = {left.data(), right.data()};
        clap_audio_buffer out{channels, nullptr, 2, 0, 0};
        const bool buffers = !(shape & 0x01);
        const clap_input_events inEvents{&events, Events::size, Events::get};
        Sent sent{frames, 0};
        const clap_output_events outEvents{&sent, Sent::push};
        const clap_process process{-1,
                                   frames,
                                   shape & 0x02 ? &transport : nullptr,
                                   nullptr,
                                   buffers ? &out : nullptr,
                                   0,
                                   buffers ? 1u : 0u,
                                   &inEvents,
                                   &outEvents};
        const clap_process_status status = plugin.process(process);
        if (status != CLAP_PROCESS_CONTINUE && buffers)
            fuzz::fail("a block with its output refused", static_cast<int>(frames), status);
        for (std::uint32_t i = 0; buffers && i < frames; ++i)
            if (!std::isfinite(left[i]) || !std::isfinite(right[i]))
                fuzz::fail("output not finite", static_cast<int>(i), static_cast<int>(frames));
    }
    plugin.stopProcessing();
    plugin.deactivate();

    for (std::uint32_t i = 0; i < plugin.parameterCount(); ++i)
    {
        clap_param_info info{};
        double value = 0.0;
        if (!plugin.parameterInfo(i, info) || !plugin.parameterValue(info.id, value) ||
            !(value >= info.min_value && value <= info.max_value))
            fuzz::fail("parameter out of its range", static_cast<int>(i),
                       static_cast<int>(value * 1000.0));
    }
    return 0;
}
