// Note frequency table of the voice, indexed by step note (0 = rest, 1-60). Constant data,
// readable from any thread.
#pragma once

namespace quelvar
{

constexpr int kNoteFreqCount = 61;

// Equal-tempered, 440 Hz at note 22, rounded to 0.001 Hz. The voice plays a quarter of it.
extern const long double cNoteFreq[kNoteFreqCount];

} // namespace quelvar
