// What an LV2 host hands the plugin's run(): event sequences of MIDI, time:Position objects with
// properties of any type and size, other objects and atoms, blocks of any length, any control
// port values. The containers are well formed, as LV2 asks of hosts; what they hold is not.
// Whatever comes, the output stays finite and the MIDI out sequence stays well formed.
#include "lv2/Lv2Plugin.h"
#include "lv2/controlPorts.h"

#include "FuzzInput.h"
#include "fuzzEngine.h"

#include <lv2/atom/forge.h>
#include <lv2/atom/util.h>
#include <lv2/midi/midi.h>
#include <lv2/time/time.h>
#include <lv2/urid/urid.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace
{
using namespace quelvar;

std::vector<std::string>& uris()
{
    static std::vector<std::string> mapped;
    return mapped;
}

LV2_URID mapUri(LV2_URID_Map_Handle, const char* uri)
{
    std::vector<std::string>& mapped = uris();
    for (std::size_t i = 0; i < mapped.size(); ++i)
        if (mapped[i] == uri)
            return static_cast<LV2_URID>(i + 1);
    mapped.emplace_back(uri);
    return static_cast<LV2_URID>(mapped.size());
}

constexpr std::uint32_t kMaxFrames = 1500;
constexpr std::size_t kSequenceBytes = 16384;
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static LV2_URID_Map map{nullptr, &mapUri};
    static const LV2_Feature mapFeature{LV2_URID__map, &map};
    static const LV2_Feature* const features[] = {&mapFeature, nullptr};
    const LV2_URID timeKeys[] = {
        mapUri(nullptr, LV2_TIME__frame),          mapUri(nullptr, LV2_TIME__speed),
        mapUri(nullptr, LV2_TIME__bar),            mapUri(nullptr, LV2_TIME__barBeat),
        mapUri(nullptr, LV2_TIME__beat),           mapUri(nullptr, LV2_TIME__beatUnit),
        mapUri(nullptr, LV2_TIME__beatsPerBar),    mapUri(nullptr, LV2_TIME__beatsPerMinute),
        mapUri(nullptr, "urn:quelvar:fuzz:other")};
    const LV2_URID midiEvent = mapUri(nullptr, LV2_MIDI__MidiEvent);
    const LV2_URID position = mapUri(nullptr, LV2_TIME__Position);

    std::unique_ptr<Lv2Plugin> plugin(Lv2Plugin::create(44100.0, features, {}));
    if (!plugin)
        fuzz::fail("no instance", 0, 0);
    fuzz::FuzzInput in(data, size);
    std::vector<float> controls(controlPorts().size());
    std::vector<float> left(kMaxFrames), right(kMaxFrames);
    std::vector<std::uint64_t> eventsIn(kSequenceBytes / 8), eventsOut(kSequenceBytes / 8);
    plugin->connectPort(kPortEventsIn, eventsIn.data());
    plugin->connectPort(kPortMidiOut, eventsOut.data());
    plugin->connectPort(kPortOutLeft, left.data());
    plugin->connectPort(kPortOutRight, right.data());
    for (std::size_t i = 0; i < controls.size(); ++i)
    {
        const ControlPort& port = controlPorts()[i];
        controls[i] = toPortValue(port, plugin->engine().getParameter(port.slot));
        plugin->connectPort(static_cast<std::uint32_t>(kFirstControlPort + i), &controls[i]);
    }
    plugin->activate();

    LV2_Atom_Forge forge;
    lv2_atom_forge_init(&forge, &map);
    for (int block = 1 + in.byte() % 4; block > 0; --block)
    {
        const std::uint32_t frames = in.word() % kMaxFrames;
        if (in.byte() % 4 == 0)
        {
            float value;
            in.bytes(&value, sizeof value);
            controls[in.byte() % controls.size()] = value;
        }
        lv2_atom_forge_set_buffer(&forge, reinterpret_cast<std::uint8_t*>(eventsIn.data()),
                                  kSequenceBytes);
        LV2_Atom_Forge_Frame sequence;
        lv2_atom_forge_sequence_head(&forge, &sequence, 0);
        std::int64_t time = 0;
        for (int events = in.byte() % 12; events > 0; --events)
        {
            time += in.byte() % 200;
            lv2_atom_forge_frame_time(&forge, time);
            const int kind = in.byte() % 4;
            if (kind == 0)
            {
                std::uint8_t midi[4];
                in.bytes(midi, sizeof midi);
                lv2_atom_forge_atom(&forge, in.byte() % 5, midiEvent);
                lv2_atom_forge_write(&forge, midi, in.byte() % 5);
                lv2_atom_forge_pad(&forge, 0);
            }
            else if (kind <= 2)
            {
                LV2_Atom_Forge_Frame object;
                lv2_atom_forge_object(&forge, &object, 0, kind == 1 ? position : midiEvent);
                for (int p = in.byte() % 9; p > 0; --p)
                {
                    lv2_atom_forge_key(&forge, timeKeys[in.byte() % 9]);
                    std::uint8_t value[8];
                    in.bytes(value, sizeof value);
                    const int type = in.byte() % 5;
                    const LV2_URID types[] = {forge.Int, forge.Long, forge.Float, forge.Double,
                                              forge.Bool};
                    const std::uint32_t length = in.byte() % 9;
                    lv2_atom_forge_atom(&forge, length, types[type]);
                    lv2_atom_forge_write(&forge, value, length);
                }
                lv2_atom_forge_pop(&forge, &object);
            }
            else
            {
                std::uint8_t body[8];
                in.bytes(body, sizeof body);
                lv2_atom_forge_atom(&forge, sizeof body, forge.Chunk);
                lv2_atom_forge_write(&forge, body, sizeof body);
            }
        }
        lv2_atom_forge_pop(&forge, &sequence);

        auto* out = reinterpret_cast<LV2_Atom_Sequence*>(eventsOut.data());
        out->atom.type = forge.Chunk;
        out->atom.size = kSequenceBytes - sizeof(LV2_Atom);
        plugin->run(frames);
        for (std::uint32_t i = 0; i < frames; ++i)
            if (!std::isfinite(left[i]) || !std::isfinite(right[i]))
                fuzz::fail("output not finite", static_cast<int>(i), static_cast<int>(frames));
        if (out->atom.size > kSequenceBytes - sizeof(LV2_Atom))
            fuzz::fail("MIDI out past its room", static_cast<int>(out->atom.size), 0);
        std::int64_t last = 0;
        LV2_ATOM_SEQUENCE_FOREACH(out, ev)
        {
            if (ev->time.frames < last || ev->time.frames >= std::max<std::int64_t>(frames, 1))
                fuzz::fail("MIDI out not in the block's time order",
                           static_cast<int>(ev->time.frames), static_cast<int>(frames));
            last = ev->time.frames;
        }
    }
    plugin->deactivate();
    return 0;
}
