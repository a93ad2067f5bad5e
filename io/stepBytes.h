// One step as the chunk and the pattern file store it: the note as a signed byte, then the
// slide and accent flags, one byte each. Any thread; allocates nothing.
#pragma once

#include "sequencer/Step.h"

#include <cstddef>
#include <cstdint>

namespace quelvar
{

constexpr std::size_t kStepRecordBytes = 3;

struct StepBytes
{
    int note;
    bool slide;
    bool accent;
};

inline void putStepBytes(std::uint8_t* at, const Step& step)
{
    at[0] = static_cast<std::uint8_t>(step.note() & 0xFF);
    at[1] = step.slide() ? 1 : 0;
    at[2] = step.accent() ? 1 : 0;
}

// The note as stored, which a damaged file may put outside 0–60.
inline StepBytes readStepBytes(const std::uint8_t* at)
{
    return {static_cast<std::int8_t>(at[0]), at[1] != 0, at[2] != 0};
}

} // namespace quelvar
