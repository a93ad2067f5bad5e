// The VST 2 adapter over the render call: the host's events and time info in, the rendered
// block, the sequencer's notes and the controllers' automation back to the host. Audio thread.
#include "engine/Palladon.h"

namespace quelvar
{

VstInt32 Palladon::processEvents(VstEvents* events)
{
    for (int i = 0; events && i < events->numEvents; ++i)
    {
        const VstEvent* e = eventAt(*events, i);
        if (!e || e->type != kVstMidiType)
            continue;
        const auto* midi = reinterpret_cast<const VstMidiEvent*>(e);
        BlockMidi m;
        m.frame = midi->deltaFrames;
        for (std::size_t b = 0; b < m.bytes.size(); ++b)
            m.bytes[b] = static_cast<std::uint8_t>(midi->midiData[b]);
        vst2Input.midi.add(m);
    }
    return 1;
}

// The time info as the host gives it; no record reads as a stopped transport whose tempo and
// rate the engine keeps.
HostTime Palladon::readHostTime(VstInt32 filter)
{
    HostTime t;
    t.sampleRate = 0.0;
    t.tempo = 0.0;
    const VstTimeInfo* info = getTimeInfo(filter);
    if (!info)
        return t;
    t.sampleRate = info->sampleRate;
    t.tempo = info->tempo;
    t.ppqPosition = info->ppqPos;
    t.transportChanged = (info->flags & kVstTransportChanged) != 0;
    t.playing = (info->flags & kVstTransportPlaying) != 0;
    return t;
}

// The host's time is read twice, as the sequencer asks at block start and the tempo follower
// after the block: a host answers both for this block, so both are read before rendering.
void Palladon::processReplacing(float** /*inputs*/, float** outputs, VstInt32 frames)
{
    if (!outputs || !outputs[0] || !outputs[1] || frames <= 0)
        return; // the events wait for a block that renders
    vst2Input.frames = frames;
    vst2Input.time = readHostTime(kSequencerTimeFilter);
    vst2Input.timeAfter = readHostTime(kTempoTimeFilter);
    vst2Input.timeAfterGiven = true;
    vst2Output.left = outputs[0];
    vst2Output.right = outputs[1];
    render(vst2Input, vst2Output);
    vst2Input.clear();

    const int count = vst2Output.midi.size();
    for (int i = 0; i < count; ++i)
    {
        const BlockMidi& m = vst2Output.midi[i];
        VstMidiEvent& e = vst2Events[static_cast<std::size_t>(i)];
        e.deltaFrames = m.frame;
        for (std::size_t b = 0; b < m.bytes.size(); ++b)
            e.midiData[b] = static_cast<char>(m.bytes[b]);
    }
    vst2List.numEvents = count;
    if (count > 0)
        sendVstEventsToHost(vst2List.get());
    for (const ParameterReport& r : vst2Output.reports)
        if (r.fromController)
            callHost(audioMasterAutomate, r.slot, 0, nullptr, r.value);
}

} // namespace quelvar
