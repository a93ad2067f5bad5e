#include "io/stateChunk.h"

#include "engine/Palladon.h"
#include "ioTestSupport.h"
#include "support/RecordingEditor.h"

#include <cstring>
#include <gtest/gtest.h>

using namespace quelvar;
using namespace quelvar::iotest;

namespace
{
// Every slot but the pattern trigger moved away from its default, and every pattern filled
// with its own step count (0 included), steps and name.
void scrambleState(Palladon& engine)
{
    for (int i = 0; i < kNumParams; ++i)
        if (i != kTriggerPattern)
            engine.setParameter(i, static_cast<float>((i * 7) % 29 + 1) / 31.0f);
    Song& song = engine.getSong();
    for (int i = 0; i < kPatternsPerSong; ++i)
    {
        Pattern& p = *song.getPattern(i);
        fillPattern(p, (i * 13 + 5) % 65, 100u + static_cast<unsigned>(i));
        p.setName(i == 7 ? std::string(200, 'n') : "acid line " + std::to_string(i * 3));
    }
    engine.refreshAfterLoad();
}

int applyChunk(Palladon& engine, const std::vector<std::uint8_t>& chunk)
{
    // An exact-size heap copy, so that AddressSanitizer sees any read past the end.
    std::unique_ptr<std::uint8_t[]> copy(new std::uint8_t[chunk.size()]);
    if (!chunk.empty())
        std::memcpy(copy.get(), chunk.data(), chunk.size());
    testing::internal::CaptureStdout();
    const int result = setChunk(engine, copy.get(), chunk.size());
    testing::internal::GetCapturedStdout();
    return result;
}

std::vector<std::uint8_t> toVersion1(std::vector<std::uint8_t> chunk)
{
    chunk.erase(chunk.begin() + 1);
    chunk[0] = 1;
    return chunk;
}

// Offset of record r in a chunk written by getChunkBytes.
std::size_t recordAt(const std::vector<std::uint8_t>& chunk, int r)
{
    std::size_t at = kChunkHeaderBytes;
    for (int i = 0; i < r; ++i)
        at += kChunkRecordBytes + 3 * chunk[at + 1];
    return at;
}

class StateChunkFlavour : public testing::TestWithParam<Flavour>
{
};
} // namespace

TEST_P(StateChunkFlavour, RoundTripRestoresParametersAndAllPatterns)
{
    Palladon source(nullptr, GetParam());
    scrambleState(source);
    Palladon target(nullptr, GetParam());
    ASSERT_EQ(applyChunk(target, getChunkBytes(source)), 1);

    const std::vector<float> expected = parametersOf(source);
    const std::vector<float> actual = parametersOf(target);
    for (int i = 0; i < kNumParams; ++i)
    {
        if (i != kTriggerPattern)
        {
            EXPECT_FLOAT_EQ(actual[i], expected[i]) << "slot " << i;
        }
    }
    for (int i = 0; i < kPatternsPerSong; ++i)
    {
        const Pattern& e = *source.getSong().getPattern(i);
        const Pattern& a = *target.getSong().getPattern(i);
        expectSameSteps(e, a);
        EXPECT_EQ(a.getName(), i == 7 ? std::string(127, 'n') : e.getName()) << "pattern " << i;
    }
    EXPECT_EQ(getChunkBytes(target), getChunkBytes(source));
}

INSTANTIATE_TEST_SUITE_P(BothFlavours, StateChunkFlavour,
                         testing::Values(Flavour::plugin, Flavour::standalone),
                         [](const auto& info) { return flavourName(info.param); });

TEST(StateChunk, DefaultStateIs11512BytesOfVersion2)
{
    Palladon engine(nullptr);
    const std::vector<std::uint8_t> chunk = getChunkBytes(engine);
    ASSERT_EQ(chunk.size(), 11512u);
    EXPECT_EQ(chunk[0], 2);
    EXPECT_EQ(chunk[1], 0);
    EXPECT_EQ(chunk[2], 29);
    EXPECT_EQ(chunk[119], 64);
    for (int r = 0; r < 64; ++r)
    {
        EXPECT_EQ(chunk[recordAt(chunk, r)], r);
        EXPECT_EQ(chunk[recordAt(chunk, r) + 1], 16);
    }
}

TEST(StateChunk, RecordsOccupyStepsPlusAFixedNameArea)
{
    Palladon engine(nullptr);
    Pattern& twenty = *engine.getSong().getPattern(0);
    fillPattern(twenty, 20, 3);
    twenty.setName("ninebytes");
    engine.getSong().getPattern(1)->setNBStep(0);

    const std::vector<std::uint8_t> chunk = getChunkBytes(engine);
    const std::size_t first = recordAt(chunk, 0);
    const std::size_t second = recordAt(chunk, 1);
    EXPECT_EQ(second - first, 190u);
    EXPECT_EQ(chunk[first + 1], 20);
    EXPECT_EQ(chunk[first + 2], twenty.getStep(0)->note());
    EXPECT_EQ(chunk[first + 62], 9);
    EXPECT_EQ(std::string(chunk.begin() + first + 63, chunk.begin() + first + 72), "ninebytes");
    for (std::size_t i = first + 72; i < second; ++i)
        EXPECT_EQ(chunk[i], 0) << "offset " << i - first;

    EXPECT_EQ(chunk[second], 1);
    EXPECT_EQ(chunk[second + 1], 0);
    EXPECT_EQ(recordAt(chunk, 2) - second, 130u);
}

TEST(StateChunk, Version1LayoutReadsLikeVersion2)
{
    Palladon source(nullptr);
    scrambleState(source);
    const std::vector<std::uint8_t> chunk = getChunkBytes(source);

    Palladon fromVersion2(nullptr);
    Palladon fromVersion1(nullptr);
    ASSERT_EQ(applyChunk(fromVersion2, chunk), 1);
    ASSERT_EQ(applyChunk(fromVersion1, toVersion1(chunk)), 1);
    EXPECT_EQ(getChunkBytes(fromVersion1), getChunkBytes(fromVersion2));
}

TEST(StateChunk, StoredPatternTriggerIsSkipped)
{
    Palladon source(nullptr);
    std::vector<std::uint8_t> chunk = getChunkBytes(source);
    const float trigger = 0.5f;
    std::memcpy(&chunk[3 + 4 * kTriggerPattern], &trigger, 4);

    Palladon target(nullptr);
    ASSERT_EQ(applyChunk(target, chunk), 1);
    EXPECT_EQ(target.getParameter(kTriggerPattern), 0.0f);
    EXPECT_EQ(target.getCurrentPatternIndex(), 0);
}

TEST(StateChunk, ParameterCountAbove29RejectsWithNothingChanged)
{
    Palladon source(nullptr);
    scrambleState(source);
    std::vector<std::uint8_t> chunk = getChunkBytes(source);
    chunk[2] = 30;

    Palladon target(nullptr);
    auto* editor = new RecordingEditor;
    target.attachEditor(editor);
    const std::vector<std::uint8_t> before = getChunkBytes(target);
    EXPECT_EQ(applyChunk(target, chunk), 0);
    EXPECT_EQ(getChunkBytes(target), before);
    EXPECT_TRUE(editor->parameters.empty());
    EXPECT_EQ(editor->displayUpdates, 0);
}

TEST(StateChunk, BadRecordIndexRejectsAfterEarlierRecordsApplied)
{
    Palladon source(nullptr);
    scrambleState(source);
    std::vector<std::uint8_t> chunk = getChunkBytes(source);
    chunk[recordAt(chunk, 2)] = 64;

    Palladon target(nullptr);
    const Pattern untouched = *target.getSong().getPattern(3);
    EXPECT_EQ(applyChunk(target, chunk), 0);
    EXPECT_EQ(target.getParameter(kCutoff), source.getParameter(kCutoff));
    expectSameSteps(*source.getSong().getPattern(0), *target.getSong().getPattern(0));
    expectSameSteps(*source.getSong().getPattern(1), *target.getSong().getPattern(1));
    expectSameSteps(untouched, *target.getSong().getPattern(3));
}

TEST(StateChunk, MalformedRecordsAreRejected)
{
    Palladon source(nullptr);
    const std::vector<std::uint8_t> good = getChunkBytes(source);
    const std::size_t second = recordAt(good, 1);
    struct Fault
    {
        const char* what;
        std::size_t offset;
        std::uint8_t value;
    };
    const Fault faults[] = {
        {"record count 65", 119, 65},
        {"negative record count", 119, 0xFF},
        {"step count 65", second + 1, 65},
        {"negative step count", second + 1, 0xC0},
        {"name length 128", second + 2 + 48, 128},
        {"negative index", second, 0xFF},
    };
    for (const Fault& f : faults)
    {
        std::vector<std::uint8_t> chunk = good;
        chunk[f.offset] = f.value;
        Palladon target(nullptr);
        EXPECT_EQ(applyChunk(target, chunk), 0) << f.what;
    }

    std::vector<std::uint8_t> longestName = good;
    longestName[second + 2 + 48] = 127;
    std::fill_n(longestName.begin() + static_cast<std::ptrdiff_t>(second + 2 + 49), 127, 'x');
    Palladon target(nullptr);
    EXPECT_EQ(applyChunk(target, longestName), 1);
    EXPECT_EQ(target.getSong().getPattern(1)->getName().size(), 127u);
}

TEST(StateChunk, EveryTruncationIsRejectedWithinItsSize)
{
    Palladon source(nullptr);
    std::vector<std::uint8_t> chunk = getChunkBytes(source);
    chunk.resize(recordAt(chunk, 2));
    chunk[119] = 2;
    Palladon target(nullptr);
    for (std::size_t size = 0; size < chunk.size(); ++size)
    {
        const std::vector<std::uint8_t> prefix(chunk.begin(), chunk.begin() + size);
        EXPECT_EQ(applyChunk(target, prefix), 0) << "size " << size;
    }
    EXPECT_EQ(applyChunk(target, chunk), 1);
}

TEST(StateChunk, NotesOutsideTheRangeBecomeRests)
{
    Palladon source(nullptr);
    std::vector<std::uint8_t> chunk = getChunkBytes(source);
    const std::size_t first = recordAt(chunk, 0);
    chunk[first + 2] = 61;
    chunk[first + 5] = 0xFF;
    chunk[first + 8] = 60;

    Palladon target(nullptr);
    ASSERT_EQ(applyChunk(target, chunk), 1);
    const Pattern& p = *target.getSong().getPattern(0);
    EXPECT_EQ(p.getStep(0)->note(), 0);
    EXPECT_EQ(p.getStep(1)->note(), 0);
    EXPECT_EQ(p.getStep(2)->note(), 60);
}

TEST(StateChunk, NoRecordsSetsParametersAndRefreshes)
{
    Palladon source(nullptr);
    source.setParameter(kDecay, 0.25f);
    std::vector<std::uint8_t> chunk = getChunkBytes(source);
    chunk.resize(kChunkHeaderBytes + 1);
    chunk[119] = 0;

    Palladon target(nullptr);
    auto* editor = new RecordingEditor;
    target.attachEditor(editor);
    testing::internal::CaptureStdout();
    EXPECT_EQ(setChunk(target, chunk.data(), chunk.size()), 1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "setChunk size=121\nsetChunk version=2\nsetChunk nbParam=29\n");
    EXPECT_EQ(target.getParameter(kDecay), 0.25f);
    EXPECT_GE(editor->displayUpdates, 1);
}
