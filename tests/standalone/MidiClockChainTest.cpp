// MIDI clock sync, as the standalone program runs it: start, clock, stop, continue and song
// position pointers drive the transport record the engine reads through its host callback. The
// chain advances at pattern ends between the ticks, and a song position places the chain and the
// step (of a chain, or of a single pattern) as a host's locate does, onset by onset.
#include "standalone/TransportRecord.h"

#include "engine/Palladon.h"
#include "support/chainTimeline.h"

#include <gtest/gtest.h>

#include <array>

namespace quelvar
{

namespace
{
using namespace chaintest;

constexpr double kRate = 44100.0;
constexpr int kBlock = 512;
constexpr double kSamplesPerBeat = 22050.0; // 120 BPM, the tempo 24 ticks of 500 ms give

// The standalone's host callback: the time from the record, the sequencer's notes collected.
struct ClockHost
{
    TransportRecord record;
    std::vector<Onset> onsets;
    long long blockStart = 0;
    long long ms = 0;      // the MIDI input's clock
    int ticksInQuarter = 0;

    static ClockHost* current;

    static VstIntPtr callback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void* ptr, float)
    {
        if (opcode == audioMasterVersion)
            return 2400;
        if (opcode == audioMasterGetTime)
            return reinterpret_cast<VstIntPtr>(current->record.timeInfo());
        if (opcode == audioMasterProcessEvents)
        {
            const auto* events = static_cast<const VstEvents*>(ptr);
            for (int i = 0; events && i < events->numEvents; ++i)
            {
                const auto* m = reinterpret_cast<const VstMidiEvent*>(events->events[i]);
                addNoteOn(current->onsets, current->blockStart + m->deltaFrames,
                          static_cast<unsigned char>(m->midiData[0]),
                          static_cast<unsigned char>(m->midiData[1]),
                          static_cast<unsigned char>(m->midiData[2]));
            }
            return 1;
        }
        return 0;
    }

    // Blocks up to `frame`, with the clock's ticks between them at 120 BPM (each quarter's 24
    // intervals adding up to 500 ms), as a MIDI input delivers them.
    void playUntil(Palladon& engine, long long frame, bool ticking)
    {
        std::array<float, kBlock> left{};
        std::array<float, kBlock> right{};
        float* out[2] = {left.data(), right.data()};
        while (blockStart < frame)
        {
            const auto n = static_cast<int>(std::min<long long>(kBlock, frame - blockStart));
            engine.processReplacing(nullptr, out, n);
            blockStart += n;
            const long long dueMs = blockStart * 1000 / static_cast<long long>(kRate);
            while (ticking && ms + 21 <= dueMs)
            {
                ms += ticksInQuarter % 24 < 20 ? 21 : 20;
                ++ticksInQuarter;
                record.clockTick(ms);
            }
        }
    }
};

ClockHost* ClockHost::current = nullptr;

struct ClockCase
{
    const char* name;
    bool chain;
};

void PrintTo(const ClockCase& c, std::ostream* os)
{
    *os << c.name;
}

class MidiClockSync : public testing::TestWithParam<ClockCase>
{
};
} // namespace

TEST_P(MidiClockSync, SongPositionsPlaceTheChainAndTheStepAsALocateDoes)
{
    ClockHost host;
    ClockHost::current = &host;
    host.record.reset(kRate);
    Palladon engine(&ClockHost::callback, Flavour::standalone);
    engine.setSampleRate(static_cast<float>(kRate));
    engine.setBlockSize(kBlock);
    engine.resume();
    const ChainSong song = sampleChain();
    song.applyTo(engine);
    engine.setParameter(kChainPlay, GetParam().chain ? 1.0f : 0.0f);
    // Without the chain, the chain's first pattern plays on its own: a chain of that one entry.
    ChainSong single = song;
    single.entries = {3};
    engine.triggerPattern(3);
    const ChainSong& expected = GetParam().chain ? song : single;

    // Start: the chain from its first entry, advancing at each pattern's end between the ticks.
    host.record.start();
    host.playUntil(engine, 140000, true);
    host.record.stop();
    host.playUntil(engine, 150000, false);
    for (const std::string& d :
         compareOnsets(expected, {{0, 0.0}}, 140000, kSamplesPerBeat, host.onsets))
        ADD_FAILURE() << "from the start: " << d;

    // A song position while stopped (37 sixteenths: beat 9.25), then continue.
    host.record.songPosition(37);
    host.playUntil(engine, 160000, false);
    const long long continued = host.blockStart;
    host.record.continuePlaying();
    host.playUntil(engine, 220000, true);
    // A song position while playing is a jump.
    host.record.songPosition(10);
    const long long jumped = host.blockStart;
    host.playUntil(engine, 300000, true);
    for (const std::string& d : compareOnsets(expected, {{continued, 9.25}, {jumped, 2.5}},
                                              300000, kSamplesPerBeat, host.onsets))
        ADD_FAILURE() << "after the song positions: " << d;
    ClockHost::current = nullptr;
}

INSTANTIATE_TEST_SUITE_P(
    ChainAndPattern, MidiClockSync,
    testing::Values(ClockCase{"chain", true}, ClockCase{"singlePattern", false}),
    [](const testing::TestParamInfo<ClockCase>& info) { return std::string(info.param.name); });

} // namespace quelvar
