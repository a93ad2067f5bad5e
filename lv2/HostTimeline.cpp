#include "lv2/HostTimeline.h"

#include <cmath>

namespace quelvar
{

namespace
{
// Hosts count musical time in ticks (1920 to the beat is common) and send positions rounded to
// them: a position closer than two ticks to where playing has led is no jump.
constexpr double kBeatResolution = 2.0 / 1920.0;

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

    // A jump shows in the transport's frame, which hosts count exactly; without one, in the
    // musical position.
    bool changed = playing != wasPlaying;
    if (playing && wasPlaying)
    {
        if (usable(p.frame))
            changed = std::fabs(*p.frame - record.samplePos) > 1.0;
        else if (beats)
            changed = std::fabs(*beats * quarterNotesPerBeat - record.ppqPos) > kBeatResolution;
    }
    if (usable(p.frame))
        record.samplePos = *p.frame;
    if (beats)
        record.ppqPos = *beats * quarterNotesPerBeat;
    record.flags = (record.flags & ~kVstTransportPlaying) | (playing ? kVstTransportPlaying : 0);
    if (changed)
        record.flags |= kVstTransportChanged;
}

void HostTimeline::advance(int frames)
{
    if (record.flags & kVstTransportPlaying)
    {
        record.samplePos += frames * speed;
        if (record.sampleRate > 0.0)
            record.ppqPos += frames / record.sampleRate * record.tempo / 60.0;
    }
    if (frames > 0)
        record.flags &= ~kVstTransportChanged;
}

} // namespace quelvar
