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
    now = {};
    now.sampleRate = sampleRate;
    now.tempo = 120.0;
    transportFrame = 0.0;
    beatUnit = 4.0;
    beatsPerBar = 4.0;
    beatsPerMinute = 120.0;
    speed = 0.0;
}

void HostTimeline::apply(const PositionFields& p)
{
    const bool wasPlaying = now.playing;
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
    now.tempo = beatsPerMinute * quarterNotesPerBeat * (playing ? speed : 1.0);

    std::optional<double> beats;
    if (usable(p.bar) && usable(p.barBeat))
        beats = *p.bar * beatsPerBar + *p.barBeat;
    else if (usable(p.beat))
        beats = *p.beat;
    else if (usable(p.frame) && now.sampleRate > 0.0)
        beats = *p.frame / now.sampleRate * beatsPerMinute / 60.0;

    // A jump shows in the transport's frame, which hosts count exactly; without one, in the
    // musical position.
    bool changed = playing != wasPlaying;
    if (playing && wasPlaying)
    {
        if (usable(p.frame))
            changed = std::fabs(*p.frame - transportFrame) > 1.0;
        else if (beats)
            changed =
                std::fabs(*beats * quarterNotesPerBeat - now.ppqPosition) > kHostRoundingBeats;
    }
    if (usable(p.frame))
        transportFrame = *p.frame;
    if (beats)
        now.ppqPosition = *beats * quarterNotesPerBeat;
    now.playing = playing;
    now.transportChanged = now.transportChanged || changed;
}

void HostTimeline::advance(int frames)
{
    if (now.playing)
    {
        transportFrame += frames * speed;
        if (now.sampleRate > 0.0)
            now.ppqPosition += frames / now.sampleRate * now.tempo / 60.0;
    }
    if (frames > 0)
        now.transportChanged = false;
}

} // namespace quelvar
