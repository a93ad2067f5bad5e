// The song: 64 patterns, owned by value so references into it stay valid for the engine's life.
#pragma once

#include "sequencer/Pattern.h"

#include <array>

namespace quelvar
{

constexpr int kPatternsPerSong = 64;

class Song
{
public:
    // 64 patterns of 16 steps named "pattern 1" … "pattern 64".
    Song();

    // Null when i is outside 0–63.
    Pattern* getPattern(int i);
    const Pattern* getPattern(int i) const;
    // Copies the pattern's contents into slot i; nothing when i is outside 0–63.
    void setPattern(int i, const Pattern& pattern);

private:
    std::array<Pattern, kPatternsPerSong> patterns;
};

} // namespace quelvar
