#include "io/MidiFile.h"

#include <algorithm>
#include <cmath>

namespace quelvar
{

namespace
{
constexpr std::size_t kTrackLengthAt = 18;
constexpr std::size_t kTrackDataAt = 22;
constexpr std::uint32_t kMaxVarLength = 0x0FFFFFFF; // four 7-bit groups
constexpr double kTickTolerance = 1e-6;
} // namespace

MidiFile::MidiFile()
{
    data.reserve(512);
    writeHeader(kMidiFileDivision, 0, 1);
    data.insert(data.end(), {'M', 'T', 'r', 'k'});
    append(0, 4);
}

void MidiFile::writeHeader(int newDivision, int format, int tracks)
{
    division = newDivision;
    data.insert(data.end(), {'M', 'T', 'h', 'd'});
    append(6, 4);
    append(static_cast<std::uint32_t>(format), 2);
    append(static_cast<std::uint32_t>(tracks), 2);
    append(static_cast<std::uint32_t>(division), 2);
}

void MidiFile::writeIntValue(std::uint8_t* bytes, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<std::uint8_t>(value >> (8 * (3 - i)));
}

void MidiFile::writeWordValue(std::uint8_t* bytes, std::uint16_t value)
{
    bytes[0] = static_cast<std::uint8_t>(value >> 8);
    bytes[1] = static_cast<std::uint8_t>(value);
}

int MidiFile::writeVarLength(std::uint8_t* bytes, std::uint32_t value)
{
    if (value > kMaxVarLength)
        value = kMaxVarLength;
    int count = 1;
    while (count < 4 && (value >> (7 * count)) != 0)
        ++count;
    for (int i = 0; i < count; ++i)
    {
        const int shift = 7 * (count - 1 - i);
        const std::uint32_t more = i < count - 1 ? 0x80 : 0;
        bytes[i] = static_cast<std::uint8_t>(((value >> shift) & 0x7F) | more);
    }
    return count;
}

void MidiFile::append(std::uint32_t value, int count)
{
    for (int i = count - 1; i >= 0; --i)
        data.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void MidiFile::appendVarLength(std::uint32_t value)
{
    std::uint8_t bytes[4];
    const int count = writeVarLength(bytes, value);
    data.insert(data.end(), bytes, bytes + count);
}

void MidiFile::writeSequenceName(std::string_view name)
{
    if (name.size() > kMidiNameBytes)
        name = name.substr(0, kMidiNameBytes);
    appendVarLength(0);
    data.insert(data.end(), {0xFF, 0x03});
    appendVarLength(static_cast<std::uint32_t>(name.size()));
    data.insert(data.end(), name.begin(), name.end());
}

void MidiFile::writeTempo(double bpm)
{
    // Below about 3.6 BPM a quarter note no longer fits the 24-bit field.
    constexpr double kMaxMicroseconds = 0xFFFFFF;
    const double us =
        bpm > 0.0 ? std::clamp(std::trunc(60000000.0 / bpm), 1.0, kMaxMicroseconds) : 500000.0;
    appendVarLength(0);
    data.insert(data.end(), {0xFF, 0x51, 0x03});
    append(static_cast<std::uint32_t>(us), 3);
}

void MidiFile::writeMidiMessage(int status, int key, int velocity, double deltaBeats)
{
    const double exact = deltaBeats > 0.0 ? static_cast<double>(division) * deltaBeats : 0.0;
    const double whole = std::trunc(exact);
    auto ticks = static_cast<std::uint32_t>(std::min(whole, static_cast<double>(kMaxVarLength)));
    fractionTicks += exact - whole;
    // Fractions that add up to a whole tick land a hair below 1.0 in binary; without the
    // tolerance the grid would slip by a tick every few events.
    if (fractionTicks >= 1.0 - kTickTolerance)
    {
        ++ticks;
        fractionTicks -= 1.0;
    }
    appendVarLength(ticks);
    ticksWritten += ticks;
    data.push_back(static_cast<std::uint8_t>(status));
    data.push_back(static_cast<std::uint8_t>(key & 0x7F));
    data.push_back(static_cast<std::uint8_t>(velocity & 0x7F));
}

void MidiFile::writeEndOfTrack()
{
    data.insert(data.end(), {0x00, 0xFF, 0x2F, 0x00});
    writeIntValue(&data[kTrackLengthAt], static_cast<std::uint32_t>(data.size() - kTrackDataAt));
}

void MidiFile::writeEndOfTrack(double endBeats)
{
    const double end = endBeats > 0.0 ? std::round(static_cast<double>(division) * endBeats) : 0.0;
    const double delta = std::min(std::max(0.0, end - static_cast<double>(ticksWritten)),
                                  static_cast<double>(kMaxVarLength));
    appendVarLength(static_cast<std::uint32_t>(delta));
    data.insert(data.end(), {0xFF, 0x2F, 0x00});
    writeIntValue(&data[kTrackLengthAt], static_cast<std::uint32_t>(data.size() - kTrackDataAt));
}

} // namespace quelvar
