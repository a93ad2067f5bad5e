#include "SmfReader.h"

#include <algorithm>
#include <cstdio>
#include <fstream>

namespace quelvar
{

namespace
{
constexpr double kDefaultMicrosPerQuarter = 500000.0; // 120 BPM until a tempo event says otherwise

// Every read goes through here. A read past the end yields zeros and moves nothing; the reader
// checks has() first wherever a short read would matter.
class Cursor
{
public:
    Cursor(const std::uint8_t* data, std::size_t size) : data(data), size(size) {}

    std::size_t offset() const { return pos; }
    bool atEnd() const { return pos >= size; }

    bool has(std::size_t n) const { return n <= size - pos; }
    std::uint8_t byte() { return has(1) ? data[pos++] : 0; }
    std::uint32_t bigEndian(int bytes)
    {
        std::uint32_t v = 0;
        for (int i = 0; i < bytes; ++i)
            v = (v << 8) | byte();
        return v;
    }
    // At most four bytes, the last with its top bit clear; false otherwise.
    bool varLength(std::uint32_t& value)
    {
        value = 0;
        for (int i = 0; i < 4; ++i)
        {
            if (!has(1))
                return false;
            const std::uint8_t b = data[pos++];
            value = (value << 7) | (b & 0x7F);
            if ((b & 0x80) == 0)
                return true;
        }
        return false;
    }
    void skip(std::size_t n) { pos += std::min(n, size - pos); }
    // A cursor over the next n bytes; the caller has checked has(n).
    Cursor sub(std::size_t n) const { return Cursor(data, pos + n, pos); }

private:
    Cursor(const std::uint8_t* data, std::size_t size, std::size_t pos)
        : data(data), size(size), pos(pos)
    {
    }

    const std::uint8_t* data;
    std::size_t size;
    std::size_t pos = 0;
};

enum class Kind
{
    channel,
    tempo,
    end
};

struct RawEvent
{
    std::uint64_t tick;
    Kind kind;
    std::array<std::uint8_t, 3> bytes;
    std::uint32_t microsPerQuarter;
};

std::string at(int track, std::size_t offset)
{
    char text[64];
    std::snprintf(text, sizeof text, " (track %d, byte %zu)", track + 1, offset);
    return text;
}

int dataBytesOf(std::uint8_t status)
{
    const int type = status & 0xF0;
    return type == 0xC0 || type == 0xD0 ? 1 : 2;
}

// Appends the track's events. The cursor's offsets count from the start of the file.
bool readTrack(Cursor c, int track, std::vector<RawEvent>& events, std::string& error)
{
    std::uint64_t tick = 0;
    std::uint8_t runningStatus = 0;
    while (!c.atEnd())
    {
        const std::size_t eventOffset = c.offset();
        std::uint32_t delta = 0;
        if (!c.varLength(delta))
        {
            error = "bad or truncated delta time" + at(track, eventOffset);
            return false;
        }
        tick += delta;
        if (!c.has(1))
        {
            error = "track ends after a delta time" + at(track, eventOffset);
            return false;
        }
        std::uint8_t status = c.byte();
        std::array<std::uint8_t, 3> bytes{};
        int dataRead = 0;
        if (status < 0x80)
        {
            if (runningStatus == 0)
            {
                error = "data byte without a status" + at(track, eventOffset);
                return false;
            }
            bytes[1] = status;
            dataRead = 1;
            status = runningStatus;
        }

        if (status == 0xFF)
        {
            runningStatus = 0;
            const std::uint8_t type = c.byte();
            std::uint32_t length = 0;
            if (!c.varLength(length) || !c.has(length))
            {
                error = "truncated meta event" + at(track, eventOffset);
                return false;
            }
            if (type == 0x51)
            {
                const std::uint32_t micros = length == 3 ? c.bigEndian(3) : 0;
                if (micros == 0)
                {
                    error = "bad tempo event" + at(track, eventOffset);
                    return false;
                }
                events.push_back({tick, Kind::tempo, {}, micros});
                continue;
            }
            c.skip(length);
            if (type == 0x2F)
                break; // anything after the end of track is not part of it
            continue;
        }
        if (status == 0xF0 || status == 0xF7)
        {
            runningStatus = 0;
            std::uint32_t length = 0;
            if (!c.varLength(length) || !c.has(length))
            {
                error = "truncated system exclusive event" + at(track, eventOffset);
                return false;
            }
            c.skip(length);
            continue;
        }
        if (status > 0xF0)
        {
            char text[64];
            std::snprintf(text, sizeof text, "status 0x%02X cannot appear in a file", status);
            error = text + at(track, eventOffset);
            return false;
        }

        runningStatus = status;
        bytes[0] = status;
        for (int i = dataRead; i < dataBytesOf(status); ++i)
        {
            if (!c.has(1))
            {
                error = "truncated channel message" + at(track, eventOffset);
                return false;
            }
            bytes[1 + i] = c.byte();
            if (bytes[1 + i] >= 0x80)
            {
                error = "data byte above 127" + at(track, eventOffset);
                return false;
            }
        }
        events.push_back({tick, Kind::channel, bytes, 0});
    }
    events.push_back({tick, Kind::end, {}, 0});
    return true;
}

// Ticks to seconds through the tempo events, which apply to every track.
class TempoMap
{
public:
    TempoMap(int division, const std::vector<RawEvent>& sorted)
    {
        if (division & 0x8000)
        {
            const int fps = -static_cast<signed char>(division >> 8);
            const double framesPerSecond = fps == 29 ? 30000.0 / 1001.0 : fps;
            smpteTicksPerSecond = framesPerSecond * (division & 0xFF);
            return;
        }
        ticksPerQuarter = division;
        for (const RawEvent& e : sorted)
        {
            if (e.kind != Kind::tempo)
                continue;
            const Segment& last = segments.back();
            const double start = last.startSeconds + secondsOver(e.tick - last.startTick, last);
            if (e.tick == last.startTick)
                segments.back().microsPerQuarter = e.microsPerQuarter;
            else
                segments.push_back({e.tick, start, static_cast<double>(e.microsPerQuarter)});
        }
    }

    double seconds(std::uint64_t tick) const
    {
        if (smpteTicksPerSecond > 0.0)
            return static_cast<double>(tick) / smpteTicksPerSecond;
        auto next =
            std::upper_bound(segments.begin(), segments.end(), tick,
                             [](std::uint64_t t, const Segment& s) { return t < s.startTick; });
        const Segment& s = *(next - 1);
        return s.startSeconds + secondsOver(tick - s.startTick, s);
    }

private:
    struct Segment
    {
        std::uint64_t startTick;
        double startSeconds;
        double microsPerQuarter;
    };

    double secondsOver(std::uint64_t ticks, const Segment& s) const
    {
        return static_cast<double>(ticks) * s.microsPerQuarter * 1e-6 / ticksPerQuarter;
    }

    double smpteTicksPerSecond = 0.0;
    double ticksPerQuarter = 1.0;
    std::vector<Segment> segments{{0, 0.0, kDefaultMicrosPerQuarter}};
};

bool validDivision(int division, std::string& error)
{
    if (division & 0x8000)
    {
        const int fps = -static_cast<signed char>(division >> 8);
        if ((fps != 24 && fps != 25 && fps != 29 && fps != 30) || (division & 0xFF) == 0)
        {
            error = "bad SMPTE division";
            return false;
        }
        return true;
    }
    if (division == 0)
    {
        error = "division of 0 ticks per quarter note";
        return false;
    }
    return true;
}
} // namespace

bool readSmf(const std::uint8_t* data, std::size_t size, MidiSequence& out, std::string& error)
{
    Cursor c(data, size);
    if (!c.has(14) || c.bigEndian(4) != 0x4D546864) // "MThd"
    {
        error = "not a standard MIDI file (no MThd header)";
        return false;
    }
    const std::uint32_t headerLength = c.bigEndian(4);
    if (headerLength < 6 || !c.has(headerLength))
    {
        error = "bad header length";
        return false;
    }
    const int format = static_cast<int>(c.bigEndian(2));
    const int tracks = static_cast<int>(c.bigEndian(2));
    const int division = static_cast<int>(c.bigEndian(2));
    c.skip(headerLength - 6);
    if (format > 1)
    {
        error = format == 2 ? "format 2 (independent patterns) is not supported"
                            : "unknown format " + std::to_string(format);
        return false;
    }
    if (tracks == 0 || (format == 0 && tracks != 1))
    {
        error = "format " + std::to_string(format) + " with " + std::to_string(tracks) + " tracks";
        return false;
    }
    if (!validDivision(division, error))
        return false;

    std::vector<RawEvent> events;
    for (int track = 0; track < tracks;)
    {
        if (!c.has(8))
        {
            error = "truncated: " + std::to_string(track) + " of " + std::to_string(tracks) +
                    " tracks present";
            return false;
        }
        const std::uint32_t id = c.bigEndian(4);
        const std::uint32_t length = c.bigEndian(4);
        if (!c.has(length))
        {
            error = "chunk of " + std::to_string(length) + " bytes runs past the end of the file" +
                    at(track, c.offset());
            return false;
        }
        if (id == 0x4D54726B) // "MTrk"; other chunk types are skipped as the standard asks
        {
            if (!readTrack(c.sub(length), track, events, error))
                return false;
            ++track;
        }
        c.skip(length);
    }

    // Tracks were appended in order, so a stable sort keeps track order at equal ticks.
    std::stable_sort(events.begin(), events.end(),
                     [](const RawEvent& a, const RawEvent& b) { return a.tick < b.tick; });
    const TempoMap map(division, events);
    MidiSequence sequence;
    sequence.format = format;
    sequence.tracks = tracks;
    for (const RawEvent& e : events)
    {
        const double seconds = map.seconds(e.tick);
        sequence.lengthSeconds = std::max(sequence.lengthSeconds, seconds);
        if (e.kind == Kind::channel)
            sequence.events.push_back({seconds, e.bytes});
    }
    out = std::move(sequence);
    return true;
}

bool readSmfFile(const std::string& path, MidiSequence& out, std::string& error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
    {
        error = "cannot open the file";
        return false;
    }
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < 0 || static_cast<std::uint64_t>(size) > kMaxSmfBytes)
    {
        error = size < 0 ? "cannot read the file" : "file larger than 16 MiB";
        return false;
    }
    in.seekg(0);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    if (!in.read(reinterpret_cast<char*>(bytes.data()), size))
    {
        error = "cannot read the file";
        return false;
    }
    return readSmf(bytes.data(), bytes.size(), out, error);
}

} // namespace quelvar
