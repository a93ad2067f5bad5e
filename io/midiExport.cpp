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

// The line as written so far: the time its events reach, and the note still sounding from the
// step before (0 for none) with whether that step slides.
struct Line
{
    double written = 0.0; // quarter notes
    int previous = 0;
    bool previousSlides = false;
};

// The steps of one pass of `pattern`, step i starting at startOf(i) quarter notes into the file;
// a note that slides out of the line before goes on into its first step.
template <typename StartOf>
void writeSteps(MidiFile& file, const Pattern& pattern, StartOf startOf,
                const MidiExportSettings& settings, Line& line)
{
    const double gateExtra = (settings.gate * 2.0 - 1.0) * 0.09;
    const double grooveOffset = settings.groove * kMaxGrooveBeats;
    auto noteLength = [&](bool accent)
    {
        const double length = (accent ? 0.151315789 : 0.118421052) + gateExtra;
        return length + grooveOffset >= kStepBeatsLimit ? kStepBeatsLimit - grooveOffset : length;
    };

    for (int i = 0; i < pattern.getNBStep(); ++i)
    {
        const Step& step = *pattern.getStepAnyIndex(i);
        const double start = startOf(i);
        const int note = noteOrRest(step.note());
        const double length = noteLength(step.accent());
        const bool slideIn = line.previous != 0 && line.previousSlides;
        if (note != 0 && slideIn && note == line.previous)
        {
            // A slide onto the same pitch holds the note: a second note-on of the key would be
            // cut by the first one's note-off in most instruments.
            if (!step.slide())
            {
                const double end = start + length;
                file.writeMidiMessage(kNoteOff, keyOf(note), 0, end - line.written);
                line.written = end;
            }
        }
        else if (note != 0)
        {
            file.writeMidiMessage(kNoteOn, keyOf(note), step.accent() ? 127 : 64,
                                  start - line.written);
            line.written = start;
            double held = length;
            if (slideIn)
            {
                file.writeMidiMessage(kNoteOff, keyOf(line.previous), 0, kSlideOverlapBeats);
                line.written += kSlideOverlapBeats;
                held -= kSlideOverlapBeats;
            }
            if (!step.slide())
            {
                file.writeMidiMessage(kNoteOff, keyOf(note), 0, held);
                line.written += held;
            }
            line.previous = note;
        }
        else
        {
            if (slideIn)
            {
                file.writeMidiMessage(kNoteOff, keyOf(line.previous), 0, length);
                line.written += length;
            }
            line.previous = 0;
        }
        line.previousSlides = step.slide();
    }
}

// A note that slides out of the last step would hang in a sequencer: closed where the line ends,
// and the track ends there too.
void endLine(MidiFile& file, const Line& line, double endBeats)
{
    if (line.previous != 0 && line.previousSlides)
        file.writeMidiMessage(kNoteOff, keyOf(line.previous), 0,
                              std::max(0.0, endBeats - line.written));
    file.writeEndOfTrack(endBeats);
}
} // namespace

std::vector<std::uint8_t> midiPatternBytes(const Pattern& pattern,
                                           const MidiExportSettings& settings)
{
    MidiFile file;
    file.writeSequenceName(pattern.getName());
    file.writeTempo(settings.tempoBpm);
    Line line;
    writeSteps(
        file, pattern, [&pattern](int i) { return pattern.getStepAnyIndex(i)->timeStart(); },
        settings, line);
    endLine(file, line, pattern.getNBStep() * kStepBeats);
    return file.bytes();
}

std::vector<std::uint8_t> midiChainBytes(std::span<const Pattern* const> entries,
                                         const MidiExportSettings& settings, std::string_view name)
{
    MidiFile file;
    file.writeSequenceName(name);
    file.writeTempo(settings.tempoBpm);
    const double grooveOffset = settings.groove * kMaxGrooveBeats;
    Line line;
    double entryStart = 0.0;
    for (const Pattern* pattern : entries)
    {
        // Each entry plays with the start times the sequencer gives the pattern it plays.
        writeSteps(
            file, *pattern,
            [entryStart, grooveOffset](int i)
            { return entryStart + i * kStepBeats + ((i & 1) ? grooveOffset : 0.0); },
            settings, line);
        entryStart += pattern->getNBStep() * kStepBeats;
    }
    endLine(file, line, entryStart);
    return file.bytes();
}

} // namespace quelvar
