// The song as it was when last read from or written to a file, to tell whether opening another
// file would throw edits away. Main thread; the steps it reads are the audio thread's atomics.
#pragma once

#include "sequencer/Song.h"

#include <array>
#include <string>
#include <vector>

namespace quelvar
{

class SongBaseline
{
public:
    void take(const Song& song);
    // Only that pattern: it alone was read or written.
    void take(const Song& song, int index);
    bool patternChanged(const Song& song, int index) const;
    bool songChanged(const Song& song) const;

private:
    struct PatternState
    {
        int stepCount = 0;
        std::string name;
        std::array<int, kStepsPerPattern> steps{}; // note, slide and accent in one number
        bool operator==(const PatternState&) const = default;
    };
    static PatternState stateOf(const Pattern& pattern);

    std::vector<PatternState> patterns;
};

} // namespace quelvar
