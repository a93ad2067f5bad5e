#include "SmfReader.h"
#include "midiOutFile.h"
#include "midiSchedule.h"
#include "support/runCommand.h"
#include "support/testFiles.h"

#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>
#include <random>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

using namespace quelvar;

namespace
{
using Bytes = std::vector<std::uint8_t>;

void appendVarLength(Bytes& out, std::uint32_t v)
{
    Bytes groups{static_cast<std::uint8_t>(v & 0x7F)};
    while (v >>= 7)
        groups.insert(groups.begin(), static_cast<std::uint8_t>(0x80 | (v & 0x7F)));
    out.insert(out.end(), groups.begin(), groups.end());
}

void append32(Bytes& out, std::uint32_t v)
{
    for (int shift : {24, 16, 8, 0})
        out.push_back(static_cast<std::uint8_t>(v >> shift));
}

Bytes header(int format, int tracks, int division)
{
    Bytes b{'M', 'T', 'h', 'd', 0, 0, 0, 6};
    for (int v : {format, tracks, division})
    {
        b.push_back(static_cast<std::uint8_t>(v >> 8));
        b.push_back(static_cast<std::uint8_t>(v));
    }
    return b;
}

void appendTrack(Bytes& file, const Bytes& events)
{
    file.insert(file.end(), {'M', 'T', 'r', 'k'});
    append32(file, static_cast<std::uint32_t>(events.size()));
    file.insert(file.end(), events.begin(), events.end());
}

Bytes event(std::uint32_t delta, Bytes body)
{
    Bytes e;
    appendVarLength(e, delta);
    e.insert(e.end(), body.begin(), body.end());
    return e;
}

Bytes join(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

const Bytes kEndOfTrack{0xFF, 0x2F, 0x00};

// Format 1, 480 ticks per quarter: a tempo map in track 0 (120, then 60 BPM at beat 2), and
// two note tracks using running status, a sysex, a text event and a program change.
Bytes twoTrackFile()
{
    Bytes file = header(1, 3, 480);
    appendTrack(file,
                join({event(0, {0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20}),
                      event(960, {0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40}), event(0, kEndOfTrack)}));
    appendTrack(file, join({event(0, {0x90, 60, 100}), event(480, {60, 0}),
                            event(0, {0xF0, 0x03, 0x7E, 0x01, 0xF7}), event(480, {0x90, 62, 90}),
                            event(480, {0x80, 62, 0}), event(0, kEndOfTrack)}));
    appendTrack(file, join({event(0, {0xC1, 5}), event(0, {6}),
                            event(960, {0xFF, 0x01, 0x02, 'h', 'i'}), event(0, {0x91, 40, 1}),
                            event(960, {0xE1, 0x00, 0x40}), event(0, kEndOfTrack)}));
    return file;
}

// Tests run side by side in separate processes: the process id keeps their files apart.
std::string tempPath(const std::string& name)
{
    return testing::TempDir() + "quelvar-" + std::to_string(getpid()) + "-" + name;
}

// Output of a python snippet run with Debian's mido on `path` (a parser that is not ours),
// which is removed afterwards.
std::string withMido(const std::string& script, const std::string& path)
{
    const std::string scriptPath = tempPath("quelvar-mido-view.py");
    writeFile(scriptPath, "import sys\nimport mido\n" + script);
    const CommandRun run = runCommand("/usr/bin/python3 " + scriptPath + " " + path + " 2>&1");
    EXPECT_EQ(run.status, 0) << run.output;
    std::remove(scriptPath.c_str());
    std::remove(path.c_str());
    return run.output;
}

std::string describe(const TimedMidi& e)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.6f %d %d %d", e.seconds, e.bytes[0], e.bytes[1],
                  e.bytes[2]);
    return text;
}
} // namespace

TEST(SmfReader, AgreesWithMidoOnTimesAndMessages)
{
    const Bytes file = twoTrackFile();
    const std::string path = tempPath("quelvar-two-tracks.mid");
    writeFile(path, file);
    MidiSequence sequence;
    std::string error;
    ASSERT_TRUE(readSmf(file.data(), file.size(), sequence, error)) << error;
    EXPECT_EQ(sequence.format, 1);
    EXPECT_EQ(sequence.tracks, 3);
    // Beat 2 at 120 BPM is 1 s; the last event, at beat 4, is two beats of 60 BPM later.
    EXPECT_DOUBLE_EQ(sequence.lengthSeconds, 3.0);

    std::string ours;
    for (const TimedMidi& e : sequence.events)
        ours += describe(e) + "\n";
    // Two-byte messages come to us with data2 = 0.
    const std::string theirs = withMido(R"(t = 0.0
for m in mido.MidiFile(sys.argv[1]):
    t += m.time
    if not m.is_meta and m.type != 'sysex':
        b = m.bytes() + [0]
        print('%.6f %d %d %d' % (t, b[0], b[1], b[2]))
)",
                                        path);
    EXPECT_EQ(ours, theirs);
    EXPECT_EQ(sequence.events.size(), 8u);
}

TEST(SmfReader, SmpteDivisionCountsFramesAndIgnoresTempo)
{
    // 25 frames per second, 40 ticks per frame: 1000 ticks per second.
    Bytes file = header(0, 1, 0xE728);
    appendTrack(file, join({event(0, {0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40}),
                            event(500, {0x90, 60, 100}), event(250, kEndOfTrack)}));
    MidiSequence sequence;
    std::string error;
    ASSERT_TRUE(readSmf(file.data(), file.size(), sequence, error)) << error;
    ASSERT_EQ(sequence.events.size(), 1u);
    EXPECT_DOUBLE_EQ(sequence.events[0].seconds, 0.5);
    EXPECT_DOUBLE_EQ(sequence.lengthSeconds, 0.75);
}

struct MalformedFile
{
    const char* what;
    Bytes bytes;
    const char* errorPart;
};

class SmfReaderRefuses : public testing::TestWithParam<MalformedFile>
{
};

TEST_P(SmfReaderRefuses, WithAMessageSayingWhy)
{
    const MalformedFile& m = GetParam();
    MidiSequence sequence;
    std::string error;
    EXPECT_FALSE(readSmf(m.bytes.data(), m.bytes.size(), sequence, error));
    EXPECT_NE(error.find(m.errorPart), std::string::npos) << error;
}

namespace
{
Bytes oneTrack(int format, int tracks, const Bytes& events)
{
    Bytes file = header(format, tracks, 96);
    appendTrack(file, events);
    return file;
}
} // namespace

INSTANTIATE_TEST_SUITE_P(
    Malformed, SmfReaderRefuses,
    testing::Values(
        MalformedFile{"not midi", {'R', 'I', 'F', 'F', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96}, "MThd"},
        MalformedFile{"format 2", oneTrack(2, 1, kEndOfTrack), "format 2"},
        MalformedFile{"format 0, two tracks", oneTrack(0, 2, kEndOfTrack), "2 tracks"},
        MalformedFile{"division 0", header(0, 1, 0), "division"},
        MalformedFile{"missing track", oneTrack(1, 2, event(0, kEndOfTrack)), "1 of 2 tracks"},
        MalformedFile{"data before status", oneTrack(0, 1, event(0, {60, 100})),
                      "without a status"},
        MalformedFile{"status after meta",
                      oneTrack(0, 1,
                               join({event(0, {0x90, 60, 1}), event(0, {0xFF, 0x01, 0x00}),
                                     event(0, {60, 0})})),
                      "without a status"},
        MalformedFile{"five-byte delta", oneTrack(0, 1, {0x81, 0x81, 0x81, 0x81, 0x01, 0x90, 1, 1}),
                      "delta time"},
        MalformedFile{"tempo of 2 bytes", oneTrack(0, 1, event(0, {0xFF, 0x51, 0x02, 1, 1})),
                      "tempo"},
        MalformedFile{"tempo of 0", oneTrack(0, 1, event(0, {0xFF, 0x51, 0x03, 0, 0, 0})), "tempo"},
        MalformedFile{"real-time byte", oneTrack(0, 1, event(0, {0xF8})), "0xF8"},
        MalformedFile{"data above 127", oneTrack(0, 1, event(0, {0x90, 60, 0x80})), "above 127"},
        MalformedFile{"meta past the track", oneTrack(0, 1, event(0, {0xFF, 0x01, 0x09, 'a'})),
                      "meta"}),
    [](const testing::TestParamInfo<MalformedFile>& info)
    {
        std::string name;
        for (const char* c = info.param.what; *c; ++c)
            if (std::isalnum(static_cast<unsigned char>(*c)))
                name += *c;
        return name;
    });

TEST(SmfReader, RefusesEveryTruncation)
{
    const Bytes file = twoTrackFile();
    for (std::size_t size = 0; size < file.size(); ++size)
    {
        MidiSequence sequence;
        std::string error;
        EXPECT_FALSE(readSmf(file.data(), size, sequence, error)) << size;
        EXPECT_FALSE(error.empty()) << size;
    }
}

TEST(SmfReader, SurvivesGarbageAndMutatedFiles)
{
    const Bytes valid = twoTrackFile();
    std::mt19937 random(20240601);
    auto byte = [&] { return static_cast<std::uint8_t>(random() & 0xFF); };
    for (int round = 0; round < 4000; ++round)
    {
        Bytes bytes;
        if (round % 4 == 0)
        {
            bytes.resize(random() % 200);
            for (auto& b : bytes)
                b = byte();
            if (round % 8 == 0)
                bytes.insert(bytes.begin(), valid.begin(), valid.begin() + 14);
        }
        else
        {
            bytes = valid;
            for (int flips = 1 + static_cast<int>(random() % 4); flips > 0; --flips)
                bytes[random() % bytes.size()] = byte();
            if (round % 3 == 0)
                bytes.resize(random() % bytes.size());
        }
        MidiSequence sequence;
        std::string error;
        if (!readSmf(bytes.data(), bytes.size(), sequence, error))
        {
            EXPECT_FALSE(error.empty());
            continue;
        }
        double previous = 0.0;
        for (const TimedMidi& e : sequence.events)
        {
            ASSERT_TRUE(std::isfinite(e.seconds));
            ASSERT_GE(e.seconds, previous);
            ASSERT_GE(e.bytes[0], 0x80);
            ASSERT_LT(e.bytes[1], 0x80);
            ASSERT_LT(e.bytes[2], 0x80);
            previous = e.seconds;
        }
        EXPECT_LE(previous, sequence.lengthSeconds);
    }
}

TEST(MidiFeed, SendsEachEventInTheBlockThatHoldsItsFrame)
{
    // 0.5 s at 48 kHz is frame 24000, a multiple of every block size below but 7.
    const std::vector<TimedMidi> timed{{0.0, {0x90, 60, 100}},
                                       {0.25, {0x80, 60, 0}},
                                       {0.5, {0x90, 62, 100}},
                                       {0.5, {0x90, 64, 100}},
                                       {0.7501, {0x80, 62, 0}}};
    const std::vector<FramedMidi> framed = framesOf(timed, 48000.0);
    ASSERT_EQ(framed.size(), timed.size());
    EXPECT_EQ(framed[2].frame, 24000);
    EXPECT_EQ(framed[4].frame, 36005);

    for (int block : {1, 7, 64, 512, 8000})
    {
        MidiFeed feed(framed);
        std::vector<FramedMidi> sent;
        for (std::int64_t start = 0; start < 48000; start += block)
            feed.feedBlock(start, block,
                           [&](int offset, std::uint8_t s, std::uint8_t d1, std::uint8_t d2)
                           {
                               EXPECT_GE(offset, 0);
                               EXPECT_LT(offset, block);
                               sent.push_back({start + offset, {s, d1, d2}});
                           });
        EXPECT_TRUE(feed.finished());
        ASSERT_EQ(sent.size(), framed.size()) << block;
        for (std::size_t i = 0; i < sent.size(); ++i)
        {
            EXPECT_EQ(sent[i].frame, framed[i].frame) << block;
            EXPECT_EQ(sent[i].bytes, framed[i].bytes) << block;
        }
    }
}

TEST(MidiOutFile, TicksFollowTheRenderTempoAndNoNoteHangs)
{
    // 150 BPM at 48 kHz: 19200 frames per quarter note, 15360 ticks per quarter note.
    const std::vector<std::int64_t> blockStarts{0, 19200, 19300, 38400, 96000};
    const std::vector<ReceivedMidi> received{
        {0, 0, {0x90, 48, 64}},      {1, 0, {0x80, 48, 0}}, // beat 1
        {1, 50, {0xC0, 3, 0}},       // a program change has no third byte to write
        {2, 100, {0x90, 50, 127}},   // 200 frames after beat 1: 160 ticks
        {3, 0, {0x80, 50, 0}},       // beat 2
        {3, 500000, {0x90, 51, 64}}, // an offset past its block stays in it: the last frame
        {7, 0, {0x90, 52, 64}},      // a block that was never rendered
    };
    const std::vector<FramedMidi> framed = framesOfReceived(received, blockStarts);
    ASSERT_EQ(framed.size(), 6u);
    EXPECT_EQ(framed[5].frame, 95999);

    const Bytes bytes = midiOutFileBytes(framed, 96000, 48000.0, 150.0);
    const std::string path = tempPath("quelvar-midi-out.mid");
    writeFile(path, bytes);
    const std::string view = withMido(R"(f = mido.MidiFile(sys.argv[1])
print('file', f.type, len(f.tracks), f.ticks_per_beat)
for track in f.tracks:
    t = 0
    for m in track:
        t += m.time
        if m.type == 'set_tempo':
            print('tempo', t, m.tempo)
        elif not m.is_meta:
            print(m.type, t, m.note)
)",
                                      path);
    // Frame 95999 is a hair short of beat 5; the hanging note closes at the end, frame 96000.
    EXPECT_EQ(view, "file 0 1 15360\n"
                    "tempo 0 400000\n"
                    "note_on 0 48\n"
                    "note_off 15360 48\n"
                    "note_on 15520 50\n"
                    "note_off 30720 50\n"
                    "note_on 76799 51\n"
                    "note_off 76800 51\n");
}
