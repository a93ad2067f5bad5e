#include "io/patternFile.h"

#include "ioTestSupport.h"

#include <gtest/gtest.h>

using namespace quelvar;
using namespace quelvar::iotest;

namespace
{
std::optional<PatternImport> parse(const std::vector<std::uint8_t>& bytes, bool withParams)
{
    return parsePatternFile(bytes.data(), bytes.size(), withParams);
}
} // namespace

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
