// A standard MIDI file (format 0, one track) built in memory, event by event.
// Caller's thread, never the audio thread; allocates.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace quelvar
{

constexpr int kMidiFileDivision = 15360; // ticks per quarter note
constexpr std::size_t kMidiNameBytes = 127;

class MidiFile
{
public:
    // The file header and a track header whose length writeEndOfTrack fills in.
    MidiFile();

    void writeHeader(int division, int format, int tracks);
    // Big-endian stores into `bytes`; writeVarLength returns the byte count (1–4).
    static void writeIntValue(std::uint8_t* bytes, std::uint32_t value);
    static void writeWordValue(std::uint8_t* bytes, std::uint16_t value);
    static int writeVarLength(std::uint8_t* bytes, std::uint32_t value);

    // The name is cut to 127 bytes. Meta text carries no terminator: a zero byte would show up in
    // the track name of the program that reads the file.
    void writeSequenceName(std::string_view name);
    // A tempo of 0 or less (or not a number) is written as 120 BPM.
    void writeTempo(double bpm);
    // `deltaBeats` in quarter notes since the previous event; negative counts as 0.
    void writeMidiMessage(int status, int key, int velocity, double deltaBeats);
    void writeEndOfTrack();
    // The end of the track at `endBeats` quarter notes from the start, or right after the last
    // event when that is later: a file that loops ends where its pattern does.
    void writeEndOfTrack(double endBeats);

    const std::vector<std::uint8_t>& bytes() const { return data; }

private:
    void append(std::uint32_t value, int count); // big-endian, `count` bytes
    void appendVarLength(std::uint32_t value);

    std::vector<std::uint8_t> data;
    int division = kMidiFileDivision;
    double fractionTicks = 0.0; // carried remainder of the tick conversion
    std::uint64_t ticksWritten = 0; // the time of the last event
};

} // namespace quelvar
