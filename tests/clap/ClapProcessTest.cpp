// The CLAP plugin processing as the validator drives it and as hosts do: runs of random block
// lengths, rates, parameter values, transports and notes that keep every invariant without
// allocating, events that act at their frames, notes in either dialect, the slots the engine
// moves reported back, a new rate after reactivation, and reset.
#include "engine/parameterTable.h"
#include "support/AllocGuard.h"
#include "support/ClapTestHost.h"

#include <gtest/gtest.h>

#include <xmmintrin.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <memory>
#include <random>

using namespace quelvar;
using namespace quelvar::clap;

namespace
{
constexpr std::uint32_t kMaxFrames = 4096;
using Infos = std::vector<clap_param_info>;

struct Audio
{
    std::vector<float> left;
    std::vector<float> right;
};

std::unique_ptr<ClapTestHost> activeHost(double rate = 44100.0)
{
    auto host = std::make_unique<ClapTestHost>(QUELVAR_CLAP_PATH);
    if (!host->loaded() || !host->create() || !host->activate(rate, kMaxFrames))
        return nullptr;
    return host;
}

// One block of `frames` with what is queued for it, added to the audio.
void renderBlock(ClapTestHost& host, Audio& audio, std::uint32_t frames)
{
    const std::size_t at = audio.left.size();
    audio.left.resize(at + frames);
    audio.right.resize(at + frames);
    EXPECT_EQ(host.process(audio.left.data() + at, audio.right.data() + at, frames),
              CLAP_PROCESS_CONTINUE);
}

float peak(const std::vector<float>& x, std::size_t from = 0)
{
    float p = 0.0f;
    for (std::size_t i = from; i < x.size(); ++i)
        p = std::max(p, std::fabs(x[i]));
    return p;
}

std::vector<ClapTestHost::SentEvent> sentOfType(const ClapTestHost& host, std::uint16_t type)
{
    std::vector<ClapTestHost::SentEvent> of;
    for (const ClapTestHost::SentEvent& e : host.sent)
        if (e.type == type)
            of.push_back(e);
    return of;
}

// Every note-on is ended by a note-off of its key before the key sounds again, and no key is
// left sounding.
void expectNotesEnded(const ClapTestHost& host)
{
    std::array<bool, 128> sounding{};
    for (const ClapTestHost::SentEvent& e : sentOfType(host, CLAP_EVENT_MIDI))
    {
        const int status = e.midi[0] & 0xF0;
        auto& key = sounding[e.midi[1] & 0x7F];
        if (status == 0x90 && e.midi[2] > 0)
        {
            EXPECT_FALSE(key) << "note-on of a sounding key at " << e.frame;
            key = true;
        }
        else if (status == 0x80 || status == 0x90)
        {
            EXPECT_TRUE(key) << "note-off of a silent key at " << e.frame;
            key = false;
        }
    }
    for (int k = 0; k < 128; ++k)
        EXPECT_FALSE(sounding[static_cast<std::size_t>(k)]) << "key " << k << " left sounding";
}

std::uint32_t anyLength(std::mt19937& r)
{
    switch (r() % 6)
    {
    case 0:
        return 0;
    case 1:
        return 1 + r() % 8;
    case 2:
        return kMaxFrames;
    case 3:
        return kMaxFrames + 1 + r() % 6000; // longer than announced
    default:
        return 1 + r() % kMaxFrames;
    }
}

// n frames of a block, in order (a host sends its events in time order).
std::array<std::uint32_t, 8> framesIn(std::mt19937& r, std::uint32_t frames, int n)
{
    std::array<std::uint32_t, 8> at{};
    for (int i = 0; i < n; ++i)
        at[static_cast<std::size_t>(i)] = frames > 0 ? r() % frames : 0;
    std::sort(at.begin(), at.begin() + n);
    return at;
}

double uniform(std::mt19937& r)
{
    return std::uniform_real_distribution<double>(0.0, 1.0)(r);
}

// The shapes of a validator run: before each block, its length and its events.
std::uint32_t blockLengths(ClapTestHost& host, const Infos&, std::mt19937& r, int index)
{
    if (index == 0)
        host.transport = ClapTestHost::transportAt(0.0, 131.0, true);
    const std::uint32_t frames = anyLength(r);
    if (frames > 0 && r() % 6 == 0)
    {
        const auto at = framesIn(r, frames, 2);
        const auto key = static_cast<std::uint8_t>(r() % 32);
        host.queueMidi(at[0], 0x90, key, 100);
        host.queueMidi(at[1], 0x80, key, 0);
    }
    return frames;
}

// Every parameter, anywhere in its range, at any frame, while the sequencer plays.
std::uint32_t parameterValues(ClapTestHost& host, const Infos& infos, std::mt19937& r, int index)
{
    if (index == 0)
        host.transport = ClapTestHost::transportAt(0.0, 120.0, true);
    const std::uint32_t frames = 1 + r() % 1024;
    const int n = static_cast<int>(r() % 9);
    const auto at = framesIn(r, frames, n);
    for (int i = 0; i < n; ++i)
    {
        const clap_param_info& info = infos[r() % infos.size()];
        double v = info.min_value + (info.max_value - info.min_value) * uniform(r);
        if ((info.flags & CLAP_PARAM_IS_STEPPED) && r() % 2)
            v = std::round(v);
        host.queueParameter(at[static_cast<std::size_t>(i)], info.id, v);
    }
    return frames;
}

clap_event_transport anyTransport(std::mt19937& r)
{
    const double tempos[] = {0.0,
                             -120.0,
                             std::numeric_limits<double>::quiet_NaN(),
                             HUGE_VAL,
                             1e-9,
                             1e9,
                             20.0 + uniform(r) * 280.0};
    clap_event_transport t = ClapTestHost::transportAt(0.0, 120.0, true);
    t.flags = static_cast<std::uint32_t>(r());
    const std::int64_t positions[] = {0,
                                      -static_cast<std::int64_t>(r()) << 20,
                                      static_cast<std::int64_t>(r()) << 31,
                                      INT64_MAX,
                                      INT64_MIN,
                                      static_cast<std::int64_t>(r() % 64) << 29};
    t.song_pos_beats = positions[r() % std::size(positions)];
    t.tempo = tempos[r() % std::size(tempos)];
    t.tempo_inc = r() % 4 ? 0.0 : tempos[r() % std::size(tempos)];
    return t;
}

// Transports of every kind: none, stopped, playing, jumping, at odd tempos, inside blocks.
std::uint32_t transports(ClapTestHost& host, const Infos&, std::mt19937& r, int index)
{
    const std::uint32_t frames = anyLength(r);
    const unsigned kind = index == 0 ? 2 : r() % 6;
    if (kind == 0)
        host.transport.reset();
    else if (kind == 1)
        host.transport = anyTransport(r);
    else if (kind == 2)
        host.transport = ClapTestHost::transportAt(uniform(r) * 64.0, 120.0, true);
    const int n = static_cast<int>(r() % 3);
    const auto at = framesIn(r, frames + 1, n); // one may lie at the block's end
    for (int i = 0; i < n; ++i)
        host.queueTransport(at[static_cast<std::size_t>(i)], anyTransport(r));
    return frames;
}

// Live notes in MIDI-in sync in both dialects, with chokes, bends, controllers, programs, clock
// and malformed messages.
std::uint32_t liveNotes(ClapTestHost& host, const Infos&, std::mt19937& r, int index)
{
    const std::uint32_t frames = 1 + r() % 2048;
    if (index == 0)
        host.queueParameter(0, kSyncType, 2.0);
    const int n = static_cast<int>(r() % 7);
    const auto at = framesIn(r, frames, n);
    for (int i = 0; i < n; ++i)
    {
        const std::uint32_t f = at[static_cast<std::size_t>(i)];
        const int key = static_cast<int>(r() % 134) - 2; // -1: every key; some out of range
        const double velocity =
            r() % 8 ? uniform(r) * 1.4 - 0.2 : std::numeric_limits<double>::quiet_NaN();
        const auto byte = [&] { return static_cast<std::uint8_t>(r()); };
        switch (r() % 8)
        {
        case 0:
        case 1:
            host.queueNote(CLAP_EVENT_NOTE_ON, f, key, velocity, static_cast<int>(r() % 18) - 1);
            break;
        case 2:
            host.queueNote(CLAP_EVENT_NOTE_OFF, f, key, velocity);
            break;
        case 3:
            host.queueNote(CLAP_EVENT_NOTE_CHOKE, f, key, velocity);
            break;
        case 4:
            host.queueMidi(f, static_cast<std::uint8_t>(0x90 | (r() % 2) << 4), byte() & 0x7F,
                           byte() & 0x7F);
            break;
        case 5:
            host.queueMidi(f, 0xF8, 0, 0); // clock
            break;
        case 6:
        {
            clap_event_header raw{static_cast<std::uint32_t>(r() % 64), f,
                                  static_cast<std::uint16_t>(r() % 3),
                                  static_cast<std::uint16_t>(r() % 16), 0};
            host.queueRaw(raw);
            break;
        }
        default:
            host.queueMidi(f, byte(), byte(), byte());
            break;
        }
    }
    return frames;
}

// An echo that dies away after the sequencer stops: it must end in zeros, never denormals.
std::uint32_t decayingEcho(ClapTestHost& host, const Infos&, std::mt19937&, int index)
{
    if (index == 0)
    {
        host.transport = ClapTestHost::transportAt(0.0, 120.0, true);
        host.queueParameter(0, kDelayOn, 1.0);
        host.queueParameter(0, kDelayFeedback, 0.98);
        host.queueParameter(0, kDelayFilter, 0.2);
        host.queueParameter(0, kDistOn, 1.0);
        host.queueParameter(0, kDistSelect, 1.0);
    }
    if (index == 100)
        host.transport = ClapTestHost::transportAt(0.0, 120.0, false);
    return 512;
}

struct RunShape
{
    const char* name;
    std::uint32_t (*block)(ClapTestHost&, const Infos&, std::mt19937&, int);
    double rate;
    int blocks;
    bool hostFlushesDenormals;
};

class ClapValidatorRun : public testing::TestWithParam<RunShape>
{
};

std::ostream& operator<<(std::ostream& out, const RunShape& shape)
{
    return out << shape.name;
}
} // namespace

// Whatever the run: no allocation in process, finite audio without denormals, output events in
// order inside their blocks, the host's MXCSR kept, every sequencer note ended, and every
// parameter within its range.
TEST_P(ClapValidatorRun, KeepsEveryInvariant)
{
    const RunShape& shape = GetParam();
    std::unique_ptr<ClapTestHost> host = activeHost(shape.rate);
    ASSERT_TRUE(host);
    const Infos infos = host->parameters();
    const unsigned hostCsr = _mm_getcsr();
    constexpr unsigned kFlushToZero = 0x8040;
    _mm_setcsr(shape.hostFlushesDenormals ? hostCsr | kFlushToZero : hostCsr & ~kFlushToZero);

    std::mt19937 random(27);
    std::vector<float> left(kMaxFrames * 3), right(kMaxFrames * 3);
    int failedBlocks = 0;
    long long notFinite = 0;
    long long denormal = 0;
    const int allocations = allocGuard::count();
    {
        allocGuard::NoAllocScope guard;
        for (int b = 0; b < shape.blocks + 8; ++b)
        {
            std::uint32_t frames = 512;
            if (b < shape.blocks)
                frames = shape.block(*host, infos, random, b);
            else if (b == shape.blocks)
            {
                // The end: the host stops and lets go of every key.
                host->transport = ClapTestHost::transportAt(0.0, 120.0, false);
                host->queueNote(CLAP_EVENT_NOTE_OFF, 0, -1, 0.0);
            }
            failedBlocks +=
                host->process(left.data(), right.data(), frames) != CLAP_PROCESS_CONTINUE;
            for (std::uint32_t i = 0; i < frames; ++i)
                for (float v : {left[i], right[i]})
                {
                    notFinite += !std::isfinite(v);
                    denormal += std::fpclassify(v) == FP_SUBNORMAL;
                }
        }
    }
    _mm_setcsr(hostCsr);
    EXPECT_EQ(allocGuard::count(), allocations);
    EXPECT_EQ(failedBlocks, 0);
    EXPECT_EQ(notFinite, 0);
    EXPECT_EQ(denormal, 0);
    EXPECT_TRUE(host->faults.empty()) << host->faults.front();
    expectNotesEnded(*host);
    for (const clap_param_info& info : infos)
    {
        const double v = host->value(info.id);
        EXPECT_TRUE(v >= info.min_value && v <= info.max_value) << info.name << " " << v;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Runs, ClapValidatorRun,
    testing::Values(RunShape{"blockLengthsAt8000", blockLengths, 8000.0, 300, false},
                    RunShape{"blockLengthsAt22050", blockLengths, 22050.0, 300, false},
                    RunShape{"blockLengthsAt44100", blockLengths, 44100.0, 300, false},
                    RunShape{"blockLengthsAt96000", blockLengths, 96000.0, 300, false},
                    RunShape{"blockLengthsAt192000", blockLengths, 192000.0, 200, false},
                    RunShape{"parameterValues", parameterValues, 44100.0, 600, false},
                    RunShape{"transports", transports, 48000.0, 600, false},
                    RunShape{"liveNotes", liveNotes, 44100.0, 600, false},
                    RunShape{"liveNotesAt16000", liveNotes, 16000.0, 300, false},
                    RunShape{"decayingEcho", decayingEcho, 44100.0, 5000, false},
                    RunShape{"decayingEchoHostFlushing", decayingEcho, 44100.0, 2000, true}),
    [](const testing::TestParamInfo<RunShape>& info) { return std::string(info.param.name); });

namespace
{
// Something that happens at a frame: queued for it, as an event of the block.
struct TimedChange
{
    const char* name;
    bool playingBefore;
    void (*queue)(ClapTestHost& host, std::uint32_t frame, double beatsLed);
};

const TimedChange kTimedChanges[] = {
    {"parameters", true,
     [](ClapTestHost& h, std::uint32_t f, double)
     {
         h.queueParameter(f, kCutoff, 0.8);
         h.queueParameter(f, kWaveform, 1.0);
         h.queueParameter(f, kDistOn, 1.0);
     }},
    {"jump", true,
     [](ClapTestHost& h, std::uint32_t f, double)
     { h.queueTransport(f, ClapTestHost::transportAt(3.0, 120.0, true)); }},
    {"start", false,
     [](ClapTestHost& h, std::uint32_t f, double)
     { h.queueTransport(f, ClapTestHost::transportAt(1.0, 120.0, true)); }},
    {"stop", true,
     [](ClapTestHost& h, std::uint32_t f, double led)
     { h.queueTransport(f, ClapTestHost::transportAt(led, 120.0, false)); }},
    {"tempo", true,
     [](ClapTestHost& h, std::uint32_t f, double led)
     { h.queueTransport(f, ClapTestHost::transportAt(led, 150.0, true)); }},
};

class ClapChangeAtItsFrame : public testing::TestWithParam<TimedChange>
{
protected:
    // After a second of the default pattern, a block of 2048 with the change at frame 700, or
    // cut there with the change at the start of the second piece.
    static Audio play(const TimedChange& change, bool cut,
                      std::vector<ClapTestHost::SentEvent>& sent)
    {
        std::unique_ptr<ClapTestHost> host = activeHost();
        Audio audio;
        if (!host)
            return audio;
        host->transport = ClapTestHost::transportAt(0.0, 120.0, change.playingBefore);
        for (int b = 0; b < 86; ++b)
            renderBlock(*host, audio, 512);
        const double beatsLed = change.playingBefore ? (86 * 512 + 700) / 44100.0 * 2.0 : 0.0;
        if (cut)
        {
            renderBlock(*host, audio, 700);
            change.queue(*host, 0, beatsLed);
            renderBlock(*host, audio, 2048 - 700);
        }
        else
        {
            change.queue(*host, 700, beatsLed);
            renderBlock(*host, audio, 2048);
        }
        sent = host->sent;
        return audio;
    }
};

std::ostream& operator<<(std::ostream& out, const TimedChange& change)
{
    return out << change.name;
}
} // namespace

// A change inside a block acts at its frame: the block renders as if the host had cut it there.
TEST_P(ClapChangeAtItsFrame, AsIfTheBlockWereCutThere)
{
    std::vector<ClapTestHost::SentEvent> sentWhole, sentCut;
    const Audio whole = play(GetParam(), false, sentWhole);
    const Audio cut = play(GetParam(), true, sentCut);
    ASSERT_EQ(whole.left.size(), 86u * 512 + 2048);
    EXPECT_GT(peak(whole.left), 0.01f);
    EXPECT_TRUE(whole.left == cut.left);
    EXPECT_TRUE(whole.right == cut.right);
    ASSERT_EQ(sentWhole.size(), sentCut.size());
    for (std::size_t i = 0; i < sentWhole.size(); ++i)
    {
        EXPECT_EQ(sentWhole[i].frame, sentCut[i].frame) << i;
        EXPECT_EQ(sentWhole[i].midi, sentCut[i].midi) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Changes, ClapChangeAtItsFrame, testing::ValuesIn(kTimedChanges),
                         [](const testing::TestParamInfo<TimedChange>& info)
                         { return std::string(info.param.name); });

namespace
{
enum class Release
{
    midiNoteOff,
    clapNoteOff,
    noteOffEveryKey,
    chokeEveryKey
};

// Two live notes in MIDI-in sync, the second legato, then every key let go: in MIDI, or in
// CLAP's notes and the way given.
Audio playLegato(Release release)
{
    std::unique_ptr<ClapTestHost> host = activeHost();
    Audio audio;
    if (!host)
        return audio;
    const bool midi = release == Release::midiNoteOff;
    const auto note = [&](bool on, std::uint32_t frame, int key)
    {
        if (midi)
            host->queueMidi(frame, on ? 0x90 : 0x80, static_cast<std::uint8_t>(key), on ? 100 : 0);
        else
            host->queueNote(on ? CLAP_EVENT_NOTE_ON : CLAP_EVENT_NOTE_OFF, frame, key,
                            on ? 100 / 127.0 : 0.0);
    };
    host->queueParameter(0, kSyncType, 2.0);
    for (int b = 0; b < 60; ++b)
    {
        if (b == 5)
            note(true, 100, 48);
        if (b == 10)
            note(true, 30, 55);
        if (b == 40)
        {
            if (release == Release::noteOffEveryKey || release == Release::chokeEveryKey)
                host->queueNote(release == Release::chokeEveryKey ? CLAP_EVENT_NOTE_CHOKE
                                                                  : CLAP_EVENT_NOTE_OFF,
                                200, -1, 0.0);
            else
            {
                note(false, 200, 48);
                note(false, 200, 55);
            }
        }
        renderBlock(*host, audio, 512);
    }
    return audio;
}
} // namespace

// The CLAP dialect plays as MIDI does, and a note-off or choke of key -1 lets go of every key in
// the order they were pressed.
TEST(ClapNotes, EitherDialectPlaysTheSame)
{
    const Audio reference = playLegato(Release::midiNoteOff);
    ASSERT_GT(peak(reference.left), 0.01f);
    EXPECT_EQ(peak(reference.left, 45 * 512), 0.0f);
    for (Release r : {Release::clapNoteOff, Release::noteOffEveryKey, Release::chokeEveryKey})
    {
        const Audio other = playLegato(r);
        EXPECT_TRUE(other.left == reference.left) << static_cast<int>(r);
        EXPECT_TRUE(other.right == reference.right) << static_cast<int>(r);
    }
}

// A controller's move and a pattern chosen by a program change or a trigger note reach the host
// as parameter values at the block's end, which it is asked not to record: the MIDI that made
// them is on the track already.
TEST(ClapNotes, SlotsTheEngineMovesGoOutUnrecorded)
{
    std::unique_ptr<ClapTestHost> host = activeHost();
    ASSERT_TRUE(host);
    host->transport = ClapTestHost::transportAt(0.0, 120.0, true);
    Audio audio;
    host->queueMidi(100, 0xB0, 74, 64); // the cutoff's controller
    renderBlock(*host, audio, 512);
    host->queueMidi(200, 0xC5, 5, 0); // pattern 6
    renderBlock(*host, audio, 512);
    host->queueMidi(300, 0x90, 3, 100); // pattern 4
    renderBlock(*host, audio, 512);

    const std::vector<ClapTestHost::SentEvent> values = sentOfType(*host, CLAP_EVENT_PARAM_VALUE);
    ASSERT_EQ(values.size(), 3u);
    const std::pair<clap_id, double> expected[] = {{kCutoff, static_cast<double>(64 / 127.0f)},
                                                   {kTriggerPattern, 6.0},
                                                   {kTriggerPattern, 4.0}};
    for (std::size_t i = 0; i < 3; ++i)
    {
        EXPECT_EQ(values[i].frame, static_cast<long long>(i * 512 + 511));
        EXPECT_EQ(values[i].parameter, expected[i].first);
        EXPECT_EQ(values[i].value, expected[i].second);
        EXPECT_TRUE(values[i].flags & CLAP_EVENT_DONT_RECORD);
    }
    EXPECT_EQ(host->value(kCutoff), expected[0].second);
    EXPECT_EQ(host->value(kTriggerPattern), 4.0);
}

// Reactivated at another rate, the plugin plays the default pattern on that rate's grid: at
// 48 kHz and 120 BPM a step is 6000 frames.
TEST(ClapActivation, AtAnotherRateStepsOnItsGrid)
{
    std::unique_ptr<ClapTestHost> host = activeHost(44100.0);
    ASSERT_TRUE(host);
    host->transport = ClapTestHost::transportAt(0.0, 120.0, true);
    Audio audio;
    for (int b = 0; b < 100; ++b)
        renderBlock(*host, audio, 512);
    host->deactivate();
    ASSERT_TRUE(host->activate(48000.0, kMaxFrames));
    host->sent.clear();
    host->transport = ClapTestHost::transportAt(0.0, 120.0, true);
    for (int b = 0; b < 200; ++b)
        renderBlock(*host, audio, 480);

    std::vector<long long> onsets;
    for (const ClapTestHost::SentEvent& e : sentOfType(*host, CLAP_EVENT_MIDI))
        if ((e.midi[0] & 0xF0) == 0x90 && e.midi[2] > 0)
            onsets.push_back(e.frame);
    std::vector<long long> expected;
    for (long long k = 0; k < 16; ++k)
        if (k != 2) // step 2 ties into step 1's note
            expected.push_back(k * 6000);
    ASSERT_GE(onsets.size(), expected.size());
    onsets.resize(expected.size());
    EXPECT_EQ(onsets, expected);
}

// Reset while echoes ring and a sequencer note may sound: the next block is silent and no note
// is left sounding. Without it the echoes ring on.
TEST(ClapActivation, ResetSilencesAtTheNextBlock)
{
    for (const bool reset : {false, true})
    {
        std::unique_ptr<ClapTestHost> host = activeHost();
        ASSERT_TRUE(host);
        host->transport = ClapTestHost::transportAt(0.0, 120.0, true);
        host->queueParameter(0, kDelayOn, 1.0);
        host->queueParameter(0, kDelayFeedback, 0.9);
        host->queueParameter(0, kGate, 1.0);
        Audio audio;
        for (int b = 0; b < 100; ++b)
            renderBlock(*host, audio, 512);
        host->transport = ClapTestHost::transportAt(0.0, 120.0, false);
        if (reset)
            host->plugin()->reset(host->plugin());
        Audio after;
        renderBlock(*host, after, 2048);
        if (reset)
        {
            EXPECT_LT(peak(after.left), 1e-6f);
            EXPECT_LT(peak(after.right), 1e-6f);
            expectNotesEnded(*host);
        }
        else
            EXPECT_GT(peak(after.left, 441), 0.01f);
    }
}

namespace
{
enum class Buffers
{
    garbageOut, // outputs holding NaN and old audio: every sample must be written
    inPlace,    // a main input the host offers anyway, on the output buffers
    separateIn  // a main input of its own, holding noise
};

// The default pattern with echoes for a second, in blocks of 333.
Audio playInto(Buffers buffers, bool reference)
{
    std::unique_ptr<ClapTestHost> host = activeHost();
    Audio audio;
    if (!host)
        return audio;
    host->transport = ClapTestHost::transportAt(0.0, 120.0, true);
    host->queueParameter(0, kDelayOn, 1.0);
    std::vector<float> left(333), right(333), noiseL(333), noiseR(333);
    std::mt19937 random(3);
    for (int b = 0; b < 133; ++b)
    {
        const float garbage = b % 2 ? std::numeric_limits<float>::quiet_NaN() : 0.75f;
        for (std::size_t i = 0; i < left.size(); ++i)
        {
            noiseL[i] = std::uniform_real_distribution<float>(-1.0f, 1.0f)(random);
            noiseR[i] = -noiseL[i];
            if (reference)
                left[i] = right[i] = 0.0f;
            else if (buffers != Buffers::inPlace)
                left[i] = right[i] = garbage;
        }
        float* outputs[2] = {left.data(), right.data()};
        float* noise[2] = {noiseL.data(), noiseR.data()};
        float* const* input = reference || buffers == Buffers::garbageOut
                                  ? nullptr
                                  : (buffers == Buffers::inPlace ? outputs : noise);
        EXPECT_EQ(host->process(left.data(), right.data(), 333, input), CLAP_PROCESS_CONTINUE);
        audio.left.insert(audio.left.end(), left.begin(), left.end());
        audio.right.insert(audio.right.end(), right.begin(), right.end());
    }
    return audio;
}

class ClapBuffers : public testing::TestWithParam<Buffers>
{
};

std::string buffersName(const testing::TestParamInfo<Buffers>& info)
{
    const char* names[] = {"garbageOut", "inPlace", "separateIn"};
    return names[static_cast<int>(info.param)];
}
} // namespace

// The plugin writes every output sample and reads no input: whatever the host's buffers hold,
// and wherever they lie, the audio is the same.
TEST_P(ClapBuffers, RenderTheSameInPlaceOrOutOfPlace)
{
    const Audio reference = playInto(GetParam(), true);
    const Audio other = playInto(GetParam(), false);
    EXPECT_GT(peak(reference.left), 0.01f);
    EXPECT_TRUE(other.left == reference.left);
    EXPECT_TRUE(other.right == reference.right);
}

INSTANTIATE_TEST_SUITE_P(Hosts, ClapBuffers,
                         testing::Values(Buffers::garbageOut, Buffers::inPlace,
                                         Buffers::separateIn),
                         buffersName);
