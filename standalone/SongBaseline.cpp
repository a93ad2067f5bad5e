#include "standalone/SongBaseline.h"

namespace quelvar
{

SongBaseline::PatternState SongBaseline::stateOf(const Pattern& pattern)
{
    PatternState state;
    state.stepCount = pattern.getNBStep();
    state.name = pattern.getName();
    for (int i = 0; i < kStepsPerPattern; ++i)
        if (const Step* s = pattern.getStepAnyIndex(i))
            state.steps[static_cast<std::size_t>(i)] =
                s->note() | (s->slide() ? 0x100 : 0) | (s->accent() ? 0x200 : 0);
    return state;
}

void SongBaseline::take(const Song& song)
{
    patterns.clear();
    for (int i = 0; i < kPatternsPerSong; ++i)
        patterns.push_back(stateOf(*song.getPattern(i)));
}

void SongBaseline::take(const Song& song, int index)
{
    const Pattern* p = song.getPattern(index);
    if (patterns.size() != static_cast<std::size_t>(kPatternsPerSong))
        take(song);
    else if (p)
        patterns[static_cast<std::size_t>(index)] = stateOf(*p);
}

bool SongBaseline::patternChanged(const Song& song, int index) const
{
    const Pattern* now = song.getPattern(index);
    if (!now || index >= static_cast<int>(patterns.size()))
        return false;
    return !(stateOf(*now) == patterns[static_cast<std::size_t>(index)]);
}

bool SongBaseline::songChanged(const Song& song) const
{
    for (int i = 0; i < kPatternsPerSong; ++i)
        if (patternChanged(song, i))
            return true;
    return false;
}

} // namespace quelvar
