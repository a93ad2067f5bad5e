// The MIDI the sequencer hands a host, as a host that sorts or trusts the list would play it.
#include "tools/vsthost/VstHost.h"

#include <gtest/gtest.h>

#include <array>
#include <random>
#include <vector>

using namespace quelvar;

namespace
{

struct Session
{
    double sampleRate;
    std::uint32_t seed;
};

void PrintTo(const Session& s, std::ostream* os)
{
    *os << s.sampleRate << " Hz, seed " << s.seed;
}

class MidiOutOrder : public testing::TestWithParam<Session>
{
};

// What the plugin sent while the host jumped, looped, stopped and started at random moments,
// with random block sizes and tempos.
struct RandomTransport
{
    std::vector<ReceivedMidi> received;
    std::vector<int> blockFrames;
    std::vector<int> startBlocks; // blocks in which the host started or jumped while playing
};

RandomTransport playRandomTransport(const Session& session)
{
    constexpr int kMaxBlock = 1024;
    VstHost host(QUELVAR_PLUGIN_PATH);
    EXPECT_TRUE(host.loaded());
    host.start(session.sampleRate, kMaxBlock);
    host.setParameter(12, 0.3f); // slides long enough to overlap the next block
    host.play();

    RandomTransport t;
    std::mt19937 rng(session.seed);
    auto pick = [&rng](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    std::vector<float> left(kMaxBlock), right(kMaxBlock);
    for (int block = 0; block < 4000; ++block)
    {
        const int action = pick(40);
        bool started = block == 0;
        if (action == 0)
        {
            // Often back to where it was: the same step's note again.
            host.locate(pick(3) == 0 ? 0.0 : pick(64) * 0.25 + pick(100) * 0.001);
            started = host.playing();
        }
        else if (action == 1 && host.playing())
            host.stop();
        else if (action == 1)
        {
            host.play(pick(2) == 0 ? 0.0 : pick(16) * 0.5);
            started = true;
        }
        else if (action == 2)
            host.setTempo(60.0 + pick(180));
        const int frames = 1 + pick(kMaxBlock);
        host.processBlock(left.data(), right.data(), frames);
        t.blockFrames.push_back(frames);
        if (started)
            t.startBlocks.push_back(block);
    }
    t.received = host.received;
    return t;
}

} // namespace

// Every list is in time order inside its block, and each key's note-ons and note-offs alternate,
// so a deferred note-off never cuts short a later note of the same key.
TEST_P(MidiOutOrder, ListsAreInTimeOrderAndEachKeyAlternates)
{
    const RandomTransport t = playRandomTransport(GetParam());
    ASSERT_FALSE(t.received.empty());
    std::array<bool, 128> on{};
    const ReceivedMidi* previous = nullptr;
    for (const ReceivedMidi& m : t.received)
    {
        ASSERT_GE(m.deltaFrames, 0);
        ASSERT_LT(m.deltaFrames, t.blockFrames[static_cast<std::size_t>(m.block)]);
        if (previous && previous->list == m.list)
        {
            ASSERT_LE(previous->deltaFrames, m.deltaFrames)
                << "list " << m.list << " in block " << m.block << " is out of order";
        }
        previous = &m;
        const int status = m.bytes[0] & 0xF0;
        const int key = m.bytes[1];
        if (status == 0x90 && m.bytes[2] > 0)
        {
            ASSERT_FALSE(on[key]) << "a second note-on of " << key << " in block " << m.block;
            on[key] = true;
        }
        else if (status == 0x80 || status == 0x90)
        {
            ASSERT_TRUE(on[key]) << "a note-off of silent " << key << " in block " << m.block;
            on[key] = false;
        }
    }
}

// The default pattern has no rests, so the step the host starts or lands on sounds at once:
// its note-on leads the block, whatever note was played before the stop or the jump.
TEST_P(MidiOutOrder, EveryStartAndJumpSendsTheNoteThatSounds)
{
    const RandomTransport t = playRandomTransport(GetParam());
    ASSERT_GT(t.startBlocks.size(), 50u);
    std::vector<bool> noteOnFirst(t.blockFrames.size(), false);
    for (const ReceivedMidi& m : t.received)
        if ((m.bytes[0] & 0xF0) == 0x90 && m.bytes[2] > 0 && m.deltaFrames == 0)
            noteOnFirst[static_cast<std::size_t>(m.block)] = true;
    for (int block : t.startBlocks)
        EXPECT_TRUE(noteOnFirst[static_cast<std::size_t>(block)])
            << "no note-on where the host started or jumped, block " << block;
}

INSTANTIATE_TEST_SUITE_P(Sessions, MidiOutOrder,
                         testing::Values(Session{44100.0, 1}, Session{48000.0, 2},
                                         Session{96000.0, 3}, Session{16000.0, 4},
                                         Session{11025.0, 5}));
