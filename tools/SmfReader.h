// A strict reader for standard MIDI files (format 0 or 1, any division, tempo changes honoured).
// Every read is bounds-checked; a malformed or truncated file gives an error text, never a
// partial result. Offline use only; allocates.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quelvar
{

// A channel message at its time from the start of the file. Two-byte messages (program
// change, channel pressure) have data2 = 0.
struct TimedMidi
{
    double seconds;
    std::array<std::uint8_t, 3> bytes;
};

struct MidiSequence
{
    int format = 0;
    int tracks = 0;
    // In time order; events at the same time keep file order (track 0 first in format 1).
    std::vector<TimedMidi> events;
    // Time of the last event of any track, end-of-track included.
    double lengthSeconds = 0.0;
};

// Larger files are refused before they are read.
constexpr std::size_t kMaxSmfBytes = 16u << 20;

// True and `out` filled, or false and `error` saying what is wrong and where.
bool readSmf(const std::uint8_t* data, std::size_t size, MidiSequence& out, std::string& error);
bool readSmfFile(const std::string& path, MidiSequence& out, std::string& error);

} // namespace quelvar
