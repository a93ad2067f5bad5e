#include "io/MidiFile.h"
#include "io/midiExport.h"

#include "io/fileBytes.h"
#include "ioTestSupport.h"
#include "sequencer/Transport.h"
#include "support/runCommand.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>

using namespace quelvar;
using namespace quelvar::iotest;

namespace
{
struct NoteEvent
{
    bool on;
    long tick;
    int key;
    int velocity;
};

// What Debian's mido makes of a file: the events in order, and the header and meta lines.
struct MidoView
{
    std::string fileLine;
    std::string nameLine;
    long tempo = -1;
    long endTick = -1;
    std::vector<NoteEvent> notes;
};

MidoView readWithMido(const std::string& path)
{
    const std::filesystem::path script =
        std::filesystem::path(__FILE__).parent_path() / "readMidiFile.py";
    const std::string command = "/usr/bin/python3 " + script.string() + " " + path + " 2>&1";
    const CommandRun run = runCommand(command);
    EXPECT_EQ(run.status, 0) << command << "\n" << run.output;

    MidoView view;
    std::istringstream lines(run.output);
    std::string line;
    while (std::getline(lines, line))
    {
        std::istringstream in(line);
        std::string kind;
        in >> kind;
        if (kind == "file")
            view.fileLine = line;
        else if (kind == "name")
            view.nameLine = line;
        else if (kind == "tempo")
            in >> kind >> view.tempo;
        else if (kind == "end")
            in >> view.endTick;
        else if (kind == "note_on" || kind == "note_off")
        {
            NoteEvent e{kind == "note_on", 0, 0, 0};
            int channel = -1;
            in >> e.tick >> channel >> e.key >> e.velocity;
            EXPECT_EQ(channel, 0) << line;
            view.notes.push_back(e);
        }
        else
            ADD_FAILURE() << "unexpected event: " << line;
    }
    return view;
}

MidoView exportAndRead(const Pattern& pattern, const MidiExportSettings& settings = {})
{
    TempDir dir;
    const std::string path = dir.file("pattern.mid");
    const std::vector<std::uint8_t> bytes = midiPatternBytes(pattern, settings);
    EXPECT_TRUE(writeFileBytes(path, bytes.data(), bytes.size()));
    return readWithMido(path);
}

void setSteps(Pattern& p, int count, int note, bool accent, bool slide)
{
    p.setNBStep(count);
    for (int i = 0; i < count; ++i)
    {
        p.setStepNote(note, i);
        p.setStepAccent(accent, i);
        p.setStepSlide(slide, i);
    }
}

bool containsBytes(const std::vector<std::uint8_t>& bytes, std::initializer_list<int> wanted)
{
    const std::vector<std::uint8_t> w(wanted.begin(), wanted.end());
    return std::search(bytes.begin(), bytes.end(), w.begin(), w.end()) != bytes.end();
}
} // namespace

TEST(MidiExport, PlainNotesFallOnTheGridWithTheirGateLength)
{
    Pattern p;
    setSteps(p, 16, 25, false, false);
    p.setName("plain");
    const MidoView v = exportAndRead(p);

    EXPECT_EQ(v.fileLine, "file 0 1 15360");
    EXPECT_EQ(v.nameLine, "name 0 5 706c61696e");
    EXPECT_EQ(v.tempo, 500000);
    ASSERT_EQ(v.notes.size(), 32u);
    for (int i = 0; i < 16; ++i)
    {
        const NoteEvent& on = v.notes[2 * i];
        const NoteEvent& off = v.notes[2 * i + 1];
        EXPECT_TRUE(on.on);
        EXPECT_EQ(on.tick, 3840 * i);
        EXPECT_EQ(on.key, 60);
        EXPECT_EQ(on.velocity, 64);
        EXPECT_FALSE(off.on);
        EXPECT_NEAR(off.tick - on.tick, 1819, 1) << "step " << i;
    }
}

TEST(MidiExport, AccentedNotesAreLouderAndLonger)
{
    Pattern p;
    setSteps(p, 4, 1, true, false);
    const MidoView v = exportAndRead(p);
    ASSERT_EQ(v.notes.size(), 8u);
    EXPECT_EQ(v.notes[0].key, 36);
    EXPECT_EQ(v.notes[0].velocity, 127);
    EXPECT_EQ(v.notes[1].velocity, 0);
    EXPECT_NEAR(v.notes[1].tick - v.notes[0].tick, 2324, 1);
}

TEST(MidiExport, SlidesOverlapTheNextNote)
{
    Pattern p;
    setSteps(p, 4, 30, false, false);
    p.setStepSlide(true, 0);
    p.setStepNote(32, 1);
    const MidoView v = exportAndRead(p);
    ASSERT_GE(v.notes.size(), 4u);
    EXPECT_TRUE(v.notes[0].on);
    EXPECT_TRUE(v.notes[1].on);
    EXPECT_EQ(v.notes[1].key, 67);
    EXPECT_EQ(v.notes[1].tick, 3840);
    EXPECT_FALSE(v.notes[2].on);
    EXPECT_EQ(v.notes[2].key, 65);
    EXPECT_EQ(v.notes[2].tick - v.notes[1].tick, 384);
    EXPECT_FALSE(v.notes[3].on);
    EXPECT_NEAR(v.notes[3].tick - v.notes[1].tick, 1819, 1);
}

TEST(MidiExport, FullGrooveAndGateNeverRunPastTheNextStep)
{
    Pattern p;
    setSteps(p, 16, 25, true, false);
    // Odd steps where the sequencer puts them at full groove.
    for (int i = 1; i < 16; i += 2)
        p.setStepTimeStart(i * kStepBeats + kMaxGrooveBeats, i);
    MidiExportSettings settings;
    settings.groove = 1.0;
    settings.gate = 1.0;
    const MidoView v = exportAndRead(p, settings);
    ASSERT_EQ(v.notes.size(), 32u);
    for (int i = 0; i < 16; ++i)
    {
        const long length = v.notes[2 * i + 1].tick - v.notes[2 * i].tick;
        EXPECT_LE(length, 2400 + 1) << "step " << i; // 0.15625 quarter notes
        if (i < 15)
        {
            EXPECT_LE(v.notes[2 * i + 1].tick, v.notes[2 * i + 2].tick) << "step " << i;
        }
    }
    EXPECT_EQ(v.notes[2].tick, 3840 + 1440); // odd steps late by the groove
}

TEST(MidiExport, NoteSlidingOutOfTheLastStepClosesAtThePatternEnd)
{
    Pattern p;
    setSteps(p, 2, 25, false, false);
    p.setStepSlide(true, 1);
    const MidoView v = exportAndRead(p);
    ASSERT_EQ(v.notes.size(), 4u);
    EXPECT_FALSE(v.notes.back().on);
    EXPECT_EQ(v.notes.back().tick, 2 * 3840);
}

TEST(MidiExport, LongNamesAreCutTo127BytesWithoutATerminator)
{
    Pattern p;
    p.setName(std::string(200, 'a'));
    const MidoView v = exportAndRead(p);
    std::string hex;
    for (int i = 0; i < 127; ++i)
        hex += "61";
    EXPECT_EQ(v.nameLine, "name 0 127 " + hex);
}

class MidiExportLength : public testing::TestWithParam<std::tuple<int, bool>>
{
};

// A sequencer loops the file at its end: every pattern ends at its step count of sixteenths,
// whatever its last step holds.
TEST_P(MidiExportLength, EndsExactlyWhereThePatternDoes)
{
    const auto [steps, slidesOut] = GetParam();
    Pattern p;
    setSteps(p, steps, 30, steps % 3 == 0, false);
    p.setStepNote(0, steps - 2);
    p.setStepSlide(slidesOut, steps - 1);
    MidiExportSettings settings;
    settings.groove = steps % 2 == 0 ? 1.0 : 0.0;
    EXPECT_EQ(exportAndRead(p, settings).endTick, 3840L * steps);
}

INSTANTIATE_TEST_SUITE_P(StepCounts, MidiExportLength,
                         testing::Combine(testing::Values(3, 12, 13, 16, 64), testing::Bool()));

// A slide onto the same pitch is one held note, as the sequencer plays it; onto another pitch
// the notes overlap.
TEST(MidiExport, SlideOntoTheSamePitchIsOneHeldNote)
{
    Pattern p;
    setSteps(p, 4, 30, false, false);
    p.setStepSlide(true, 0);
    p.setStepSlide(true, 1);
    p.setStepNote(0, 3);
    const MidoView v = exportAndRead(p);
    ASSERT_EQ(v.notes.size(), 2u);
    EXPECT_TRUE(v.notes[0].on);
    EXPECT_EQ(v.notes[0].tick, 0);
    EXPECT_FALSE(v.notes[1].on);
    EXPECT_NEAR(v.notes[1].tick, 2 * 3840 + 1819, 1) << "held through step 2 to its gate";
}

TEST(MidiExport, TempoBytesAndUnusableTempos)
{
    Pattern p(1);
    MidiExportSettings s;
    EXPECT_TRUE(containsBytes(midiPatternBytes(p, s), {0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20}));
    s.tempoBpm = 0.0;
    EXPECT_TRUE(containsBytes(midiPatternBytes(p, s), {0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20}));
    s.tempoBpm = 1.0;
    EXPECT_TRUE(containsBytes(midiPatternBytes(p, s), {0xFF, 0x51, 0x03, 0xFF, 0xFF, 0xFF}));
    s.tempoBpm = 140.0; // 428571.4 microseconds, truncated
    EXPECT_TRUE(containsBytes(midiPatternBytes(p, s), {0xFF, 0x51, 0x03, 0x06, 0x8A, 0x1B}));
}

TEST(MidiExport, VariableLengthNumbersUseAtMostFourBytes)
{
    struct Case
    {
        std::uint32_t value;
        std::vector<std::uint8_t> bytes;
    };
    const Case cases[] = {{0, {0x00}},
                          {0x7F, {0x7F}},
                          {0x80, {0x81, 0x00}},
                          {3840, {0x9E, 0x00}},
                          {0x0FFFFFFF, {0xFF, 0xFF, 0xFF, 0x7F}},
                          {0xFFFFFFFF, {0xFF, 0xFF, 0xFF, 0x7F}}};
    for (const Case& c : cases)
    {
        std::uint8_t out[4] = {};
        const int n = MidiFile::writeVarLength(out, c.value);
        EXPECT_EQ(std::vector<std::uint8_t>(out, out + n), c.bytes) << c.value;
    }
}

// A chain is its entries' patterns one after the other, each from its own first step, the file
// ending where the last one does; a slide out of one entry glides into the next entry's note.
TEST(MidiExport, AChainWritesItsEntriesOneAfterTheOther)
{
    Pattern a;
    setSteps(a, 3, 20, false, false);
    a.setStepNote(22, 1);
    Pattern b;
    setSteps(b, 5, 30, true, false);
    const Pattern* entries[] = {&a, &b, &a};
    TempDir dir;
    const std::string path = dir.file("chain.mid");
    const std::vector<std::uint8_t> bytes = midiChainBytes(entries, {}, "chain");
    ASSERT_TRUE(writeFileBytes(path, bytes.data(), bytes.size()));
    const MidoView chain = readWithMido(path);
    const MidoView first = exportAndRead(a);
    const MidoView second = exportAndRead(b);

    std::vector<NoteEvent> expected;
    long offset = 0;
    for (const MidoView* part : {&first, &second, &first})
    {
        for (NoteEvent e : part->notes)
        {
            e.tick += offset;
            expected.push_back(e);
        }
        offset += part->endTick;
    }
    ASSERT_EQ(chain.notes.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
    {
        EXPECT_EQ(chain.notes[i].on, expected[i].on) << i;
        EXPECT_NEAR(chain.notes[i].tick, expected[i].tick, 1) << i;
        EXPECT_EQ(chain.notes[i].key, expected[i].key) << i;
    }
    EXPECT_EQ(chain.endTick, 3840L * (3 + 5 + 3));

    // The first entry's last step slides into the second entry's first note.
    a.setStepSlide(true, 2);
    const std::vector<std::uint8_t> sliding = midiChainBytes(entries, {}, "chain");
    ASSERT_TRUE(writeFileBytes(path, sliding.data(), sliding.size()));
    const MidoView glide = readWithMido(path);
    const auto onAt = std::find_if(glide.notes.begin(), glide.notes.end(),
                                   [](const NoteEvent& e) { return e.on && e.key == 30 + 35; });
    ASSERT_NE(onAt, glide.notes.end());
    EXPECT_EQ(onAt->tick, 3 * 3840L);
    ASSERT_NE(onAt + 1, glide.notes.end());
    EXPECT_FALSE((onAt + 1)->on);
    EXPECT_EQ((onAt + 1)->key, 20 + 35);
    EXPECT_EQ((onAt + 1)->tick, 3 * 3840L + 384);
}
