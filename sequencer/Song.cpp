#include "sequencer/Song.h"

#include <string>

namespace quelvar
{

Song::Song()
{
    for (int i = 0; i < kPatternsPerSong; ++i)
        patterns[i].setName("pattern " + std::to_string(i + 1));
}

Pattern* Song::getPattern(int i)
{
    return i >= 0 && i < kPatternsPerSong ? &patterns[i] : nullptr;
}

const Pattern* Song::getPattern(int i) const
{
    return i >= 0 && i < kPatternsPerSong ? &patterns[i] : nullptr;
}

void Song::setPattern(int i, const Pattern& pattern)
{
    if (Pattern* target = getPattern(i))
        *target = pattern;
}

} // namespace quelvar
