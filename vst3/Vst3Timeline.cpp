#include "vst3/Vst3Timeline.h"

#include <cmath>

namespace quelvar::vst3
{

namespace
{
bool has(const ProcessContext& c, uint32 flag)
{
    return (c.state & flag) != 0;
}

bool usable(double v)
{
    return std::isfinite(v);
}
} // namespace

void Vst3Timeline::init(double sampleRate)
{
    now = {};
    now.sampleRate = sampleRate;
    now.tempo = 120.0;
    changeKept = false;
}

double Vst3Timeline::beatsAfter(double at, double frames) const
{
    return now.sampleRate > 0.0 ? at + frames / now.sampleRate * now.tempo / 60.0 : at;
}

void Vst3Timeline::read(const ProcessContext* c, int frames, RenderInput& input)
{
    const bool wasPlaying = now.playing;
    const double ledTo = now.ppqPosition;
    const bool playing = c && has(*c, ProcessContext::kPlaying);
    if (c && has(*c, ProcessContext::kTempoValid) && usable(c->tempo) && c->tempo > 0.0)
        now.tempo = c->tempo;

    bool positionGiven = false;
    double position = now.ppqPosition;
    // The host's own sample count at the current tempo: exact while the tempo has not changed.
    const double counted = c ? beatsAfter(0.0, static_cast<double>(c->projectTimeSamples)) : 0.0;
    if (c && has(*c, ProcessContext::kProjectTimeMusicValid) && usable(c->projectTimeMusic))
    {
        position = c->projectTimeMusic;
        positionGiven = true;
        // Hosts round the musical position to their ticks: one further from the sample count
        // than a sample, yet within that rounding, is the count rounded, and the count is finer.
        const double off = std::fabs(counted - position);
        if (off > beatsAfter(0.0, 1.0) && off <= kHostRoundingBeats)
            position = counted;
    }
    else if (c && now.sampleRate > 0.0)
    {
        position = counted;
        positionGiven = true;
    }

    bool changed = playing != wasPlaying;
    if (playing && wasPlaying && positionGiven)
        changed = std::fabs(position - ledTo) > kHostRoundingBeats;
    if (positionGiven)
        now.ppqPosition = position;
    now.playing = playing;
    now.transportChanged = changed || changeKept;
    input.time = now;
    changeKept = frames <= 0 && now.transportChanged;
    if (frames <= 0)
        return;

    // A cycle the block runs past wraps at the first frame whose position reaches its end.
    double after = beatsAfter(now.ppqPosition, frames);
    if (playing && c && has(*c, ProcessContext::kCycleActive) &&
        has(*c, ProcessContext::kCycleValid) && usable(c->cycleStartMusic) &&
        usable(c->cycleEndMusic) && c->cycleEndMusic > c->cycleStartMusic &&
        now.ppqPosition < c->cycleEndMusic && after > c->cycleEndMusic)
    {
        const double beatsPerFrame = beatsAfter(0.0, 1.0);
        const int wrap = static_cast<int>(
            std::ceil((c->cycleEndMusic - now.ppqPosition) / beatsPerFrame - 1e-9));
        if (wrap > 0 && wrap < frames)
        {
            double past = beatsAfter(now.ppqPosition, wrap) - c->cycleEndMusic;
            if (std::fabs(past) < 1e-9)
                past = 0.0;
            TransportChange jump{wrap, now};
            jump.time.ppqPosition = c->cycleStartMusic + past;
            jump.time.transportChanged = true;
            input.transport.add(jump);
            after = beatsAfter(jump.time.ppqPosition, frames - wrap);
        }
    }
    if (playing)
        now.ppqPosition = after;
}

} // namespace quelvar::vst3
