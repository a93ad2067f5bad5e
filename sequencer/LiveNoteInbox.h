// Notes played from the editor's or the panel's keyboard, handed to the audio thread: any number
// of threads push, the audio thread pops at its next block. A full inbox drops the note.
#pragma once

#include "dsp/MpscRing.h"

namespace quelvar
{

struct LiveNote
{
    bool on = false;
    int note = 0;
    int velocity = 0;
};

using LiveNoteInbox = MpscRing<LiveNote, 128>;

} // namespace quelvar
