#include "midiOutFile.h"

#include "io/MidiFile.h"

#include <algorithm>

namespace quelvar
{

namespace
{
bool hasTwoDataBytes(std::uint8_t status)
{
    const int type = status & 0xF0;
    return type >= 0x80 && type != 0xC0 && type != 0xD0 && type != 0xF0;
}
} // namespace

std::vector<FramedMidi> framesOfReceived(const std::vector<ReceivedMidi>& received,
                                         const std::vector<std::int64_t>& blockStarts)
{
    std::vector<FramedMidi> framed;
    const auto blocks = static_cast<int>(blockStarts.size()) - 1;
    for (const ReceivedMidi& r : received)
    {
        if (r.block < 0 || r.block >= blocks)
            continue;
        const std::int64_t start = blockStarts[r.block];
        const std::int64_t last = std::max(start, blockStarts[r.block + 1] - 1);
        framed.push_back({std::clamp<std::int64_t>(start + r.deltaFrames, start, last), r.bytes});
    }
    std::stable_sort(framed.begin(), framed.end(),
                     [](const FramedMidi& a, const FramedMidi& b) { return a.frame < b.frame; });
    return framed;
}

std::vector<std::uint8_t> midiOutFileBytes(const std::vector<FramedMidi>& events,
                                           std::int64_t endFrame, double sampleRate,
                                           double tempoBpm)
{
    MidiFile file;
    file.writeTempo(tempoBpm);
    const double beatsPerFrame = tempoBpm / 60.0 / sampleRate;
    std::int64_t previous = 0;
    auto write = [&](int status, int data1, int data2, std::int64_t frame)
    {
        file.writeMidiMessage(status, data1, data2,
                              static_cast<double>(frame - previous) * beatsPerFrame);
        previous = frame;
    };

    std::array<std::array<bool, 128>, 16> sounding{}; // by channel and key
    for (const FramedMidi& e : events)
    {
        const std::uint8_t status = e.bytes[0];
        if (!hasTwoDataBytes(status))
            continue;
        const int type = status & 0xF0;
        if (type == 0x80 || type == 0x90)
            sounding[status & 0x0F][e.bytes[1] & 0x7F] = type == 0x90 && e.bytes[2] != 0;
        write(status, e.bytes[1], e.bytes[2], e.frame);
    }
    for (int channel = 0; channel < 16; ++channel)
        for (int key = 0; key < 128; ++key)
            if (sounding[channel][key])
                write(0x80 | channel, key, 0, std::max(endFrame, previous));
    file.writeEndOfTrack();
    return file.bytes();
}

} // namespace quelvar
