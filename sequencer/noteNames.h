// The names of the twelve semitones from C, as the note boxes show them and the factory lines
// spell them.
#pragma once

namespace quelvar
{

inline constexpr const char* kNoteNames[12] = {"C",  "C#", "D",  "D#", "E",  "F",
                                               "F#", "G",  "G#", "A",  "A#", "B"};

} // namespace quelvar
