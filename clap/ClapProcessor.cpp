#include "clap/ClapProcessor.h"

#include "clap/clapParameters.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace quelvar
{

using namespace clap;

namespace
{
// The event behind a header when it is of this type and carries the whole record.
template <typename Event> const Event* eventOf(const clap_event_header& header)
{
    return header.size >= sizeof(Event) ? reinterpret_cast<const Event*>(&header) : nullptr;
}

std::uint8_t velocityOf(double velocity, int lowest)
{
    const double v = std::isfinite(velocity) ? velocity : 0.0;
    return static_cast<std::uint8_t>(
        std::clamp(static_cast<int>(std::lround(v * 127.0)), lowest, 127));
}

bool isChannelMessage(std::uint8_t status)
{
    return status >= 0x80 && status < 0xF0;
}
} // namespace

void ClapProcessor::activate(double sampleRate)
{
    timeline.init(sampleRate);
    held.fill(0);
}

void ClapProcessor::reset()
{
    synth.resetSound();
    held.fill(0);
}

bool ClapProcessor::process(const clap_process& block)
{
    const int frames = static_cast<int>(std::min<std::uint32_t>(block.frames_count, INT_MAX));
    clap_audio_buffer* out = block.audio_outputs_count > 0 ? block.audio_outputs : nullptr;
    const bool stereo =
        out && out->data32 && out->channel_count >= 2 && out->data32[0] && out->data32[1];
    if (frames > 0 && !stereo)
        return false;

    input.clear();
    input.frames = frames;
    if (block.transport)
        timeline.apply(*block.transport);
    else
        timeline.applyNone();
    input.time = timeline.time();
    readEvents(block.in_events, frames);

    output.left = stereo ? out->data32[0] : nullptr;
    output.right = stereo ? out->data32[1] : nullptr;
    synth.render(input, output);
    if (out)
        out->constant_mask = 0;
    writeEvents(block.out_events, frames);
    return true;
}

// Events come in time order; one out of order is played late, never early. A transport record
// at the block's end is where the next block starts.
void ClapProcessor::readEvents(const clap_input_events* in, int frames)
{
    int cursor = 0;
    const std::uint32_t count = in && in->size && in->get ? in->size(in) : 0;
    for (std::uint32_t i = 0; i < count; ++i)
    {
        const clap_event_header* header = in->get(in, i);
        if (!header || header->space_id != CLAP_CORE_EVENT_SPACE_ID)
            continue;
        const int time = static_cast<int>(std::min<std::uint32_t>(header->time, INT_MAX));
        if (header->type == CLAP_EVENT_TRANSPORT)
        {
            const auto* transport = eventOf<clap_event_transport>(*header);
            if (!transport)
                continue;
            const int at = std::clamp(time, cursor, frames);
            timeline.advance(at - cursor);
            cursor = at;
            timeline.apply(*transport);
            if (at < frames)
                input.transport.add({at, timeline.time()});
            continue;
        }
        const int at = std::clamp(time, cursor, std::max(frames - 1, cursor));
        switch (header->type)
        {
        case CLAP_EVENT_NOTE_ON:
        case CLAP_EVENT_NOTE_OFF:
        case CLAP_EVENT_NOTE_CHOKE:
            if (const auto* note = eventOf<clap_event_note>(*header))
                readNote(*note, at);
            break;
        case CLAP_EVENT_MIDI:
            if (const auto* midi = eventOf<clap_event_midi>(*header);
                midi && isChannelMessage(midi->data[0]))
                addMidi(at, midi->data[0], midi->data[1], midi->data[2]);
            break;
        case CLAP_EVENT_PARAM_VALUE:
            if (const auto* value = eventOf<clap_event_param_value>(*header))
                if (const ControlPort* port = clapParameterWithId(value->param_id))
                    input.parameters.add({at, port->slot, fromClapValue(*port, value->value)});
            break;
        default:
            break; // note ends, expressions, modulation, sysex: nothing the engine takes
        }
    }
    timeline.advance(frames - cursor);
}

// A note-off or choke of key -1 ends every held key, the first pressed first, so the voice never
// glides back to a key being let go. The voice has no faster stop than its release: a choke is a
// note-off.
void ClapProcessor::readNote(const clap_event_note& note, int frame)
{
    const auto channel =
        static_cast<std::uint8_t>(note.channel >= 0 && note.channel < 16 ? note.channel : 0);
    if (note.header.type == CLAP_EVENT_NOTE_ON)
    {
        if (note.key >= 0 && note.key < 128)
            addMidi(frame, static_cast<std::uint8_t>(kNoteOn | channel),
                    static_cast<std::uint8_t>(note.key), velocityOf(note.velocity, 1));
        return;
    }
    const auto off = static_cast<std::uint8_t>(kNoteOff | channel);
    const std::uint8_t velocity = velocityOf(note.velocity, 0);
    if (note.key >= 0 && note.key < 128)
    {
        addMidi(frame, off, static_cast<std::uint8_t>(note.key), velocity);
        return;
    }
    if (note.key != -1)
        return;
    for (;;)
    {
        const auto first = std::min_element(held.begin(), held.end(),
                                            [](std::uint32_t a, std::uint32_t b)
                                            { return a - 1 < b - 1; }); // 0, not held, last
        if (*first == 0)
            return;
        addMidi(frame, off, static_cast<std::uint8_t>(first - held.begin()), velocity);
    }
}

void ClapProcessor::addMidi(int frame, std::uint8_t status, std::uint8_t data1, std::uint8_t data2)
{
    const int type = status & 0xF0;
    if ((type == kNoteOn || type == kNoteOff) && data1 < held.size())
        held[data1] = type == kNoteOn && data2 > 0 ? ++presses : 0;
    input.midi.add({frame, {status, data1, data2}});
}

// The sequencer's notes at their frames, then the slots the engine moved, valued at the block's
// end: a controller's move is the player's on the MIDI track already, and a pattern chosen by a
// note or program change comes again with them, so hosts are asked not to record either.
void ClapProcessor::writeEvents(const clap_output_events* out, int frames)
{
    if (!out || !out->try_push)
        return;
    for (const BlockMidi& m : output.midi)
    {
        clap_event_midi e{};
        e.header = {sizeof e, static_cast<std::uint32_t>(m.frame), CLAP_CORE_EVENT_SPACE_ID,
                    CLAP_EVENT_MIDI, 0};
        std::copy(m.bytes.begin(), m.bytes.end(), e.data);
        if (!out->try_push(out, &e.header))
            return;
    }
    const auto last = static_cast<std::uint32_t>(std::max(frames - 1, 0));
    for (const ParameterReport& r : output.reports)
    {
        const ControlPort* port = controlPortOf(r.slot);
        if (!port)
            continue;
        clap_event_param_value e{};
        e.header = {sizeof e, last, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE,
                    CLAP_EVENT_DONT_RECORD};
        e.param_id = static_cast<clap_id>(r.slot);
        e.note_id = -1;
        e.port_index = -1;
        e.channel = -1;
        e.key = -1;
        e.value = toClapValue(*port, r.value);
        if (!out->try_push(out, &e.header))
            return;
    }
}

void ClapProcessor::flush(const clap_input_events* in)
{
    const std::uint32_t count = in && in->size && in->get ? in->size(in) : 0;
    for (std::uint32_t i = 0; i < count; ++i)
    {
        const clap_event_header* header = in->get(in, i);
        if (!header || header->space_id != CLAP_CORE_EVENT_SPACE_ID ||
            header->type != CLAP_EVENT_PARAM_VALUE)
            continue;
        if (const auto* value = eventOf<clap_event_param_value>(*header))
            if (const ControlPort* port = clapParameterWithId(value->param_id))
                synth.setParameter(port->slot, fromClapValue(*port, value->value));
    }
}

} // namespace quelvar
