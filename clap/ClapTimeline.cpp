#include "clap/ClapTimeline.h"

#include <cmath>

namespace quelvar
{

using namespace clap;

void ClapTimeline::init(double sampleRate)
{
    now = {};
    now.sampleRate = sampleRate;
    now.tempo = 120.0;
    rampedTempo = 120.0;
    tempoPerFrame = 0.0;
}

void ClapTimeline::apply(const clap_event_transport& t)
{
    const bool wasPlaying = now.playing;
    const bool playing = (t.flags & CLAP_TRANSPORT_IS_PLAYING) != 0;
    if ((t.flags & CLAP_TRANSPORT_HAS_TEMPO) && std::isfinite(t.tempo) && t.tempo > 0.0)
    {
        now.tempo = t.tempo;
        rampedTempo = t.tempo;
        tempoPerFrame = std::isfinite(t.tempo_inc) ? t.tempo_inc : 0.0;
    }
    bool changed = playing != wasPlaying;
    if (t.flags & CLAP_TRANSPORT_HAS_BEATS_TIMELINE)
    {
        const double beats = static_cast<double>(t.song_pos_beats) / CLAP_BEATTIME_FACTOR;
        if (playing && wasPlaying)
            changed = std::fabs(beats - now.ppqPosition) > kHostRoundingBeats;
        now.ppqPosition = beats;
    }
    now.playing = playing;
    now.transportChanged = now.transportChanged || changed;
}

void ClapTimeline::applyNone()
{
    now.transportChanged = now.transportChanged || now.playing;
    now.playing = false;
    tempoPerFrame = 0.0;
}

void ClapTimeline::advance(int frames)
{
    if (now.playing && now.sampleRate > 0.0)
    {
        // The beats follow the ramp's mean tempo over these frames.
        const double meanTempo = rampedTempo + tempoPerFrame * frames / 2.0;
        now.ppqPosition += frames / now.sampleRate * meanTempo / 60.0;
        rampedTempo += tempoPerFrame * frames;
    }
    if (frames > 0)
        now.transportChanged = false;
}

} // namespace quelvar
