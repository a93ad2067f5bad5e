// The ABL2 note names by semitone within the octave, as written (read in any case).
#pragma once

namespace quelvar
{

constexpr const char* kAblNoteNames[12] = {"c-", "c#", "d-", "d#", "e-", "f-",
                                           "f#", "g-", "g#", "a-", "a#", "b-"};

} // namespace quelvar
