// Every reader says what it changed or left out of a file it read, one plain sentence each, and
// nothing for a file it took as it was.
#include "io/ablExport.h"
#include "io/ablImport.h"
#include "io/patternFile.h"
#include "io/phoscyonPattern.h"

#include "ioTestSupport.h"

#include <functional>
#include <gtest/gtest.h>

using namespace quelvar;
using namespace quelvar::iotest;

namespace
{
struct NoticeCase
{
    const char* name;
    std::function<PatternImport()> read;
    std::vector<std::string> notices;
};

PatternImport abl(const std::string& text, bool lenient = false)
{
    return parseABLPattern(text, {true, lenient}).import;
}

PatternImport nativeFile(std::vector<std::uint8_t> bytes)
{
    return parsePatternFile(bytes.data(), bytes.size(), true).value_or(PatternImport{});
}

PatternImport phoscyon(const std::string& xml)
{
    return parsePhoscyonPattern(xml.data(), xml.size());
}

// A .303 whose first two notes lie outside 0–60 and that holds only `params` parameters.
std::vector<std::uint8_t> damagedNative(int params)
{
    std::vector<std::uint8_t> bytes = sampleFile(4, "x");
    bytes[10] = 61;
    bytes[13] = 0x80;
    bytes.resize(bytes.size() - 4 * static_cast<std::size_t>(kStoredParams - params));
    bytes[bytes.size() - 4 * static_cast<std::size_t>(params) - 1] =
        static_cast<std::uint8_t>(params);
    return bytes;
}

class ReaderNotices : public testing::TestWithParam<NoticeCase>
{
};
} // namespace

TEST_P(ReaderNotices, SayWhatWasChangedOrLeftOut)
{
    const PatternImport r = GetParam().read();
    ASSERT_TRUE(r.pattern);
    EXPECT_EQ(r.notices, GetParam().notices);
}

INSTANTIATE_TEST_SUITE_P(
    Readers, ReaderNotices,
    testing::Values(
        NoticeCase{"abl3AsItWas",
                   [] { return abl("; ABL3 Meta tag: 2\r\n0 0 0 0 0 1\r\n1 0 0 0 0 1\r\n"); },
                   {}},
        NoticeCase{"abl3OutOfRange",
                   []
                   {
                       return abl("; ABL3 Meta tag: 3\r\n40 0 0 0 0 1\r\n-30 0 0 0 0 1\r\n"
                                  "1 0 0 0 0 1\r\n");
                   },
                   {"2 steps out of range were switched off"}},
        NoticeCase{"abl3LongerThan64",
                   []
                   {
                       std::string text = "; ABL3 Meta tag: 100\r\n";
                       for (int i = 0; i < 64; ++i)
                           text += "1 0 0 0 0 1\r\n";
                       return abl(text);
                   },
                   {"the file's 100 steps were cut to 64"}},
        NoticeCase{"abl2OctaveOutOfRange",
                   [] { return abl("; ABL2 Meta tag: 2\r\nc-1 1 0 0\r\nc-3 1 0 0\r\n"); },
                   {"1 step out of range was switched off"}},
        NoticeCase{"abl2LenientStopsAtALineThatIsNoStep",
                   [] { return abl("; ABL2 Meta tag: 4\r\nc-3 1 0 0\r\nend\r\n", true); },
                   {"a line that is no step ended the steps after 1 of 4; the others keep the "
                    "default note"}},
        NoticeCase{"nativeOutOfRangeAndFewParameters",
                   [] { return nativeFile(damagedNative(20)); },
                   {"2 steps out of range were switched off",
                    "the file holds 20 of the 29 parameters; the others were left as they were"}},
        NoticeCase{"phoscyon",
                   []
                   {
                       return phoscyon(
                           "<Pattern name=\"a name much longer than 24 bytes\" length=\"4\" "
                           "shuffle=\"1\">\n<Step note=\"40\" gate=\"1\"/>\n"
                           "<Step note=\"0\" gate=\"1\"/>\n</Pattern>\n");
                   },
                   {"the name was cut to \"a name much longer than \"",
                    "the file's shuffle was not applied",
                    "the file holds 2 of its 4 steps; the others keep the default note",
                    "1 step out of range was switched off"}}),
    [](const auto& info) { return std::string(info.param.name); });
