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

} // namespace

// Transport jumps, loops, stops and starts at random moments, with random block sizes: every
// list is in time order inside its block, and each key's note-ons and note-offs alternate, so a
// deferred note-off never cuts short a later note of the same key.
TEST_P(MidiOutOrder, ListsAreInTimeOrderAndEachKeyAlternates)
{
    const Session session = GetParam();
    constexpr int kMaxBlock = 1024;
    VstHost host(QUELVAR_PLUGIN_PATH);
    ASSERT_TRUE(host.loaded());
    host.start(session.sampleRate, kMaxBlock);
    host.setParameter(12, 0.3f); // slides long enough to overlap the next block
    host.play();

    std::mt19937 rng(session.seed);
    auto pick = [&rng](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    std::vector<float> left(kMaxBlock), right(kMaxBlock);
    std::vector<int> blockFrames;
    for (int block = 0; block < 4000; ++block)
    {
        const int action = pick(40);
        if (action == 0)
            host.locate(pick(64) * 0.25 + pick(100) * 0.001);
        else if (action == 1 && host.playing())
            host.stop();
        else if (action == 1)
            host.play(pick(16) * 0.5);
        else if (action == 2)
            host.setTempo(60.0 + pick(180));
        const int frames = 1 + pick(kMaxBlock);
        host.processBlock(left.data(), right.data(), frames);
        blockFrames.push_back(frames);
    }

    ASSERT_FALSE(host.received.empty());
    std::array<bool, 128> on{};
    const ReceivedMidi* previous = nullptr;
    for (const ReceivedMidi& m : host.received)
    {
        ASSERT_GE(m.deltaFrames, 0);
        ASSERT_LT(m.deltaFrames, blockFrames[static_cast<std::size_t>(m.block)]);
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

INSTANTIATE_TEST_SUITE_P(Sessions, MidiOutOrder,
                         testing::Values(Session{44100.0, 1}, Session{48000.0, 2},
                                         Session{96000.0, 3}, Session{16000.0, 4},
                                         Session{11025.0, 5}));
