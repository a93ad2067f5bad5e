#include "io/midiExport.h"

#include "io/MidiFile.h"
#include "io/patternImport.h"
#include "sequencer/MidiOut.h"
#include "sequencer/Transport.h"

#include <algorithm>

namespace quelvar
{

namespace
{
constexpr double kSlideOverlapBeats = 0.025;
constexpr double kStepBeatsLimit = 0.25;

int keyOf(int note)
{
    return note + kMidiNoteOffset;
}
} // namespace

std::vector<std::uint8_t> midiPatternBytes(const Pattern& pattern,
                                           const MidiExportSettings& settings)
{
    MidiFile file;
    file.writeSequenceName(pattern.getName());
    file.writeTempo(settings.tempoBpm);

    const double gateExtra = (settings.gate * 2.0 - 1.0) * 0.09;
    const double grooveOffset = settings.groove * kMaxGrooveBeats;
    auto noteLength = [&](bool accent)
    {
        const double length = (accent ? 0.151315789 : 0.118421052) + gateExtra;
        return length + grooveOffset >= kStepBeatsLimit ? kStepBeatsLimit - grooveOffset : length;
    };

    double written = 0.0; // quarter notes already covered by the events written
    int previous = 0;     // the note still sounding from the previous step, 0 for none
    bool previousSlides = false;
    for (int i = 0; i < pattern.getNBStep(); ++i)
    {
        const Step& step = *pattern.getStepAnyIndex(i);
        const int note = noteOrRest(step.note());
        const double length = noteLength(step.accent());
        const bool slideIn = previous != 0 && previousSlides;
        if (note != 0 && slideIn && note == previous)
        {
            // A slide onto the same pitch holds the note: a second note-on of the key would be
            // cut by the first one's note-off in most instruments.
            if (!step.slide())
            {
                const double end = step.timeStart() + length;
                file.writeMidiMessage(kNoteOff, keyOf(note), 0, end - written);
                written = end;
            }
        }
        else if (note != 0)
        {
            file.writeMidiMessage(kNoteOn, keyOf(note), step.accent() ? 127 : 64,
                                  step.timeStart() - written);
            written = step.timeStart();
            double held = length;
            if (slideIn)
            {
                file.writeMidiMessage(kNoteOff, keyOf(previous), 0, kSlideOverlapBeats);
                written += kSlideOverlapBeats;
                held -= kSlideOverlapBeats;
            }
            if (!step.slide())
            {
                file.writeMidiMessage(kNoteOff, keyOf(note), 0, held);
                written += held;
            }
            previous = note;
        }
        else
        {
            if (slideIn)
            {
                file.writeMidiMessage(kNoteOff, keyOf(previous), 0, length);
                written += length;
            }
            previous = 0;
        }
        previousSlides = step.slide();
    }
    // A note that slides out of the last step would hang in a sequencer: close it where the
    // pattern ends.
    if (previous != 0 && previousSlides)
        file.writeMidiMessage(kNoteOff, keyOf(previous), 0,
                              std::max(0.0, pattern.getNBStep() * kStepBeats - written));
    file.writeEndOfTrack(pattern.getNBStep() * kStepBeats);
    return file.bytes();
}

} // namespace quelvar
