#include "io/bankFile.h"
#include "io/patternFile.h"

#include "engine/Palladon.h"
#include "io/stateChunk.h"
#include "ioTestSupport.h"

#include <gtest/gtest.h>

using namespace quelvar;
using namespace quelvar::iotest;

namespace
{
void setDistinctParameters(Palladon& engine)
{
    for (int i = 0; i < kNumParams; ++i)
        if (i != kTriggerPattern && i != kNbStep)
            engine.setParameter(i, static_cast<float>((i * 11) % 29 + 1) / 30.0f);
}

std::vector<std::uint8_t> sampleFile(int nbStep, const std::string& name)
{
    Pattern p;
    fillPattern(p, nbStep, 7);
    p.setName(name);
    std::array<float, kNumParams> params{};
    for (int i = 0; i < kNumParams; ++i)
        params[i] = 0.03f * static_cast<float>(i);
    return encodePatternFile(p, params);
}

std::optional<PatternImport> parse(const std::vector<std::uint8_t>& bytes, bool withParams)
{
    return parsePatternFile(bytes.data(), bytes.size(), withParams);
}

class PatternFileFlavour : public testing::TestWithParam<Flavour>
{
};
} // namespace

TEST_P(PatternFileFlavour, RoundTripWithParameters)
{
    TempDir dir;
    Palladon source(nullptr, GetParam());
    setDistinctParameters(source);
    fillPattern(*source.getCurrentPattern(), 16, 11);
    source.getCurrentPattern()->setName("ten bytes!");
    ASSERT_TRUE(exportPattern(source, dir.file("a.303")));
    EXPECT_EQ(readFile(dir.file("a.303")).size(), 186u);

    Palladon target(nullptr, GetParam());
    const float syncBefore = target.getParameter(kSyncType);
    ASSERT_TRUE(importPattern(target, dir.file("a.303"), -1, true));
    expectSameSteps(*source.getCurrentPattern(), *target.getCurrentPattern());
    EXPECT_EQ(target.getCurrentPattern()->getName(), "ten bytes!");
    for (int i = 0; i < kNumParams; ++i)
    {
        if (i == kTriggerPattern)
            continue;
        if (i == kSyncType && target.ignoresSyncModeOnImport())
            EXPECT_EQ(target.getParameter(i), syncBefore);
        else
            EXPECT_FLOAT_EQ(target.getParameter(i), source.getParameter(i)) << "slot " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(BothFlavours, PatternFileFlavour,
                         testing::Values(Flavour::plugin, Flavour::standalone),
                         [](const auto& info) { return flavourName(info.param); });

TEST(PatternFile, SyncTypeIsTakenOnlyWhileImportsMayChangeIt)
{
    TempDir dir;
    Palladon source(nullptr, Flavour::standalone);
    source.setParameter(kSyncType, 0.5f);
    ASSERT_TRUE(exportPattern(source, dir.file("a.303")));

    Palladon ignoring(nullptr, Flavour::standalone);
    ignoring.setIgnoreSyncModeOnImport(true);
    ASSERT_TRUE(importPattern(ignoring, dir.file("a.303"), -1, true));
    EXPECT_EQ(ignoring.getParameter(kSyncType), 0.0f);

    Palladon taking(nullptr, Flavour::standalone);
    ASSERT_TRUE(importPattern(taking, dir.file("a.303"), -1, true));
    EXPECT_EQ(taking.getParameter(kSyncType), 0.5f);
}

TEST(PatternFile, WithoutParametersOnlyThePatternChanges)
{
    TempDir dir;
    Palladon source(nullptr);
    setDistinctParameters(source);
    fillPattern(*source.getCurrentPattern(), 16, 5);
    ASSERT_TRUE(exportPattern(source, dir.file("a.303")));

    Palladon target(nullptr);
    const std::vector<float> before = parametersOf(target);
    ASSERT_TRUE(importPattern(target, dir.file("a.303"), 9, false));
    expectSameSteps(*source.getCurrentPattern(), *target.getSong().getPattern(9));
    EXPECT_EQ(parametersOf(target), before);
    EXPECT_EQ(target.getCurrentPatternIndex(), 0);
}

TEST(PatternFile, MagicMustMatchInEveryByteButVersionIsNotChecked)
{
    const std::vector<std::uint8_t> good = sampleFile(16, "x");
    for (std::size_t i = 0; i < 8; ++i)
    {
        std::vector<std::uint8_t> bad = good;
        bad[i] ^= 0x20;
        EXPECT_FALSE(parse(bad, true)) << "byte " << i;
    }
    std::vector<std::uint8_t> otherVersion = good;
    otherVersion[8] = 7;
    EXPECT_TRUE(parse(otherVersion, true));
}

TEST(PatternFile, StepCountsOutsideOneTo64AreRejected)
{
    std::vector<std::uint8_t> bytes = sampleFile(64, "x");
    EXPECT_TRUE(parse(bytes, true));
    for (std::uint8_t count : {0, 65, 0xFF})
    {
        bytes[9] = count;
        EXPECT_FALSE(parse(bytes, true)) << int(count);
    }
}

TEST(PatternFile, ParameterCountAbove29RejectsTheWholeFile)
{
    TempDir dir;
    std::vector<std::uint8_t> bytes = sampleFile(16, "x");
    bytes[10 + 48 + 2] = 30;
    writeFile(dir.file("a.303"), bytes);
    Palladon target(nullptr);
    const std::vector<std::uint8_t> before = getChunkBytes(target);
    EXPECT_FALSE(importPattern(target, dir.file("a.303"), -1, true));
    EXPECT_EQ(getChunkBytes(target), before);
    // The count is only looked at when parameters are wanted.
    EXPECT_TRUE(importPattern(target, dir.file("a.303"), -1, false));
}

// Where a file ends decides what is read: steps cut short reject it, the name and the parameter
// block are either whole or rejected, and a file ending at a field boundary is read up to there.
TEST(PatternFile, EveryTruncationIsReadOnlyWithinTheFile)
{
    const std::vector<std::uint8_t> whole = sampleFile(16, "abcd");
    const std::size_t stepsEnd = 10 + 48;
    const std::size_t nameEnd = stepsEnd + 1 + 4;
    ASSERT_EQ(whole.size(), nameEnd + 1 + 4 * 29);
    for (std::size_t size = 0; size <= whole.size(); ++size)
    {
        // Exact-size heap copy so that AddressSanitizer catches a read past the end.
        const std::vector<std::uint8_t> prefix(whole.begin(), whole.begin() + size);
        const auto parsed = parse(prefix, true);
        const bool expected = size == stepsEnd || size == nameEnd || size == whole.size();
        ASSERT_EQ(parsed.has_value(), expected) << "size " << size;
        if (!parsed)
            continue;
        EXPECT_EQ(parsed->pattern->getName(), size == stepsEnd ? "Default" : "abcd");
        EXPECT_EQ(parsed->settings.size(), size == whole.size() ? 29u : 0u);
    }
}

TEST(PatternFile, FileEndingAfterItsStepsKeepsDefaultNameAndParameters)
{
    TempDir dir;
    std::vector<std::uint8_t> bytes = sampleFile(16, "gone");
    bytes.resize(10 + 48);
    writeFile(dir.file("a.303"), bytes);
    Palladon target(nullptr);
    const std::vector<float> before = parametersOf(target);
    ASSERT_TRUE(importPattern(target, dir.file("a.303"), -1, true));
    EXPECT_EQ(target.getCurrentPattern()->getName(), "Default");
    EXPECT_EQ(parametersOf(target), before);
}

TEST(PatternFile, NotesOutsideTheRangeBecomeRests)
{
    std::vector<std::uint8_t> bytes = sampleFile(4, "x");
    bytes[10] = 61;
    bytes[13] = 0x80;
    bytes[16] = 60;
    const auto parsed = parse(bytes, false);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->pattern->getStep(0)->note(), 0);
    EXPECT_EQ(parsed->pattern->getStep(1)->note(), 0);
    EXPECT_EQ(parsed->pattern->getStep(2)->note(), 60);
}

TEST(PatternFile, LongNamesAreCutTo127Bytes)
{
    Pattern p;
    p.setName(std::string(300, 'q'));
    const auto parsed = parse(encodePatternFile(p, {}), false);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->pattern->getName(), std::string(127, 'q'));
}

TEST(PatternFile, UnusableRequestsChangeNothing)
{
    TempDir dir;
    Palladon engine(nullptr);
    ASSERT_TRUE(exportPattern(engine, dir.file("a.303")));
    EXPECT_FALSE(exportPattern(engine, ""));
    EXPECT_FALSE(exportPattern(engine, dir.file("missing/a.303")));
    EXPECT_FALSE(importPattern(engine, dir.file("missing.303"), -1, true));
    EXPECT_FALSE(importPattern(engine, dir.file("a.303"), 64, true));
    EXPECT_FALSE(importPattern(engine, dir.file("a.303"), -2, true));
    writeFile(dir.file("empty.303"), std::string());
    EXPECT_FALSE(importPattern(engine, dir.file("empty.303"), -1, true));
}

TEST(BankFile, SavedAndLoadedRestoresAllPatternsAndParameters)
{
    TempDir dir;
    Palladon source(nullptr);
    setDistinctParameters(source);
    for (int i = 0; i < kPatternsPerSong; ++i)
        fillPattern(*source.getSong().getPattern(i), 1 + i, static_cast<unsigned>(i));
    ASSERT_TRUE(exportBank(source, dir.file("a.b303")));

    Palladon target(nullptr);
    testing::internal::CaptureStdout();
    EXPECT_TRUE(importBank(target, dir.file("a.b303"), 5));
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(getChunkBytes(target), getChunkBytes(source));
    EXPECT_FALSE(importBank(target, dir.file("missing.b303"), 0));
}
