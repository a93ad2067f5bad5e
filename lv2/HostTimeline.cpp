#include "lv2/HostTimeline.h"

#include <cmath>

namespace quelvar
{

namespace
{
bool usable(const std::optional<double>& v)
{
    return v && std::isfinite(*v);
}
} // namespace

void HostTimeline::init(double sampleRate)
{
    record = {};
    record.sampleRate = sampleRate;
    record.tempo = 120.0;
    record.flags = kVstPpqPosValid | kVstTempoValid;
    beatUnit = 4.0;
    beatsPerBar = 4.0;
    beatsPerMinute = 120.0;
    speed = 0.0;
}

void HostTimeline::apply(const PositionFields& p)
{
    const bool wasPlaying = (record.flags & kVstTransportPlaying) != 0;
    if (usable(p.beatUnit) && *p.beatUnit >= 1.0)
        beatUnit = *p.beatUnit;
    if (usable(p.beatsPerBar) && *p.beatsPerBar > 0.0)
        beatsPerBar = *p.beatsPerBar;
    if (usable(p.beatsPerMinute) && *p.beatsPerMinute > 0.0)
        beatsPerMinute = *p.beatsPerMinute;
    if (usable(p.speed))
        speed = *p.speed;
    if (usable(p.frame))
        record.samplePos = *p.frame;

    // Reverse play counts as stopped: the sequencer only runs forward.
    const bool playing = speed > 0.0;
    const double quarterNotesPerBeat = 4.0 / beatUnit;
    // A host playing at another speed moves through the beats that much faster.
    record.tempo = beatsPerMinute * quarterNotesPerBeat * (playing ? speed : 1.0);

    std::optional<double> beats;
    if (usable(p.bar) && usable(p.barBeat))
        beats = *p.bar * beatsPerBar + *p.barBeat;
    else if (usable(p.beat))
        beats = *p.beat;
    else if (usable(p.frame) && record.sampleRate > 0.0)
        beats = *p.frame / record.sampleRate * beatsPerMinute / 60.0;

    bool changed = playing != wasPlaying;
    if (beats)
    {
        const double ppq = *beats * quarterNotesPerBeat;
        const double oneFrame =
            record.sampleRate > 0.0 ? record.tempo / 60.0 / record.sampleRate : 0.0;
        if (playing && wasPlaying && std::fabs(ppq - record.ppqPos) > oneFrame)
            changed = true;
        record.ppqPos = ppq;
    }
    record.flags = (record.flags & ~kVstTransportPlaying) | (playing ? kVstTransportPlaying : 0);
    if (changed)
        record.flags |= kVstTransportChanged;
}

void HostTimeline::advance(int frames)
{
    record.samplePos += frames;
    if ((record.flags & kVstTransportPlaying) && record.sampleRate > 0.0)
        record.ppqPos += frames / record.sampleRate * record.tempo / 60.0;
    if (frames > 0)
        record.flags &= ~kVstTransportChanged;
}

} // namespace quelvar
