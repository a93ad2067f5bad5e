#include "io/ablExport.h"
#include "io/ablImport.h"

#include "ioTestSupport.h"

#include <cstdio>
#include <filesystem>
#include <sstream>
#include <gtest/gtest.h>

using namespace quelvar;
using namespace quelvar::iotest;

namespace
{
AblImport parseAbl2(const std::string& text, bool withParams = false, bool lenient = false)
{
    return parseABLPattern(text, {withParams, lenient});
}

std::string repeatLines(const std::string& line, int count)
{
    std::string text;
    for (int i = 0; i < count; ++i)
        text += line;
    return text;
}

const AblSettings kSettings{0.5, 0.75, 0.25, 0.125, 0.875, 0.375, 1.0, 0.625};
} // namespace

TEST(AblExport, WritesTheDocumentedLines)
{
    Pattern p(3);
    p.setStepNote(16, 0);
    p.setStepAccent(true, 0);
    p.setStepNote(0, 1);
    p.setStepNote(60, 2);
    p.setStepSlide(true, 2);
    const std::string settings =
        "; Tune: 0.500000 Cutoff: 0.750000 Resonance: 0.250000 Envmod: 0.125000 Decay: "
        "0.875000 Accent: 0.375000 Waveform: 1.000000 Volume: 0.625000\r\n";
    EXPECT_EQ(abl2PatternText(p, kSettings), "; ABL2 Meta tag: 3\r\n " + settings +
                                                 "d#3 1 0 1 \r\n"
                                                 "c-2 0 0 0 \r\n"
                                                 "b-6 1 1 0 \r\n");
    EXPECT_EQ(abl3PatternText(p, kSettings), "; ABL3 Meta tag: 3\r\n" + settings +
                                                 "3 1 0 1 0 1 \r\n"
                                                 "0 0 0 0 0 0 \r\n"
                                                 "23 0 1 0 1 1 \r\n");
}

// Each note alone in a pattern: written with an offset of 0-12 and the octave flags wherever
// the note can be written so (13-49), and read back as the same note.
class Abl3Note : public testing::TestWithParam<int>
{
};

TEST_P(Abl3Note, IsWrittenWithTheOctaveFlagsAndReadBack)
{
    const int note = GetParam();
    Pattern p(2);
    p.setStepNote(note, 0);
    p.setStepNote(0, 1);
    const std::string text = abl3PatternText(p, kSettings);
    const std::size_t line = text.find("\r\n", text.find("\r\n") + 2) + 2;
    int offset = 0, down = 0, up = 0;
    ASSERT_EQ(std::sscanf(text.c_str() + line, "%d %d %d", &offset, &down, &up), 3);
    EXPECT_EQ(note, 25 + offset - 12 * down + 12 * up);
    EXPECT_FALSE(down && up);
    if (note >= 13)
    {
        EXPECT_GE(offset, 0);
    }
    if (note <= 49)
    {
        EXPECT_LE(offset, 12);
    }

    const PatternImport back = parseABL3Pattern(text);
    ASSERT_TRUE(back.pattern);
    EXPECT_EQ(back.pattern->getStep(0)->note(), note);
    EXPECT_EQ(back.pattern->getStep(1)->note(), 0);
    EXPECT_EQ(back.outOfRangeSteps, 0);
}

INSTANTIATE_TEST_SUITE_P(EveryNote, Abl3Note, testing::Range(1, 61));

TEST(AblExport, CutoffIsScaledAndLimited)
{
    ParameterSnapshot params{};
    params[kCutoff] = 0.25f;
    EXPECT_DOUBLE_EQ(ablSettingsOf(params).cutoff, 0.25f * 2.4f);
    params[kCutoff] = 0.5f;
    EXPECT_EQ(ablSettingsOf(params).cutoff, 1.0);
}

class Abl2StepSpacing : public testing::TestWithParam<const char*>
{
};

TEST_P(Abl2StepSpacing, DSharpThreeGivesNote16WithSlide)
{
    const AblImport r =
        parseAbl2("; ABL2 Meta tag: 2\r\n" + std::string(GetParam()) + "\r\nc-4 1 0 0 \r\n");
    ASSERT_TRUE(r.import.pattern);
    expectSteps(*r.import.pattern, {{16, false, true}, {25, false, false}});
}

INSTANTIATE_TEST_SUITE_P(AnySpacing, Abl2StepSpacing,
                         testing::Values("d#3 1 1 0 ", "D#3 1 1 0", "d#3110", " D # 3 1  1 0 ",
                                         "D#3 1 1 0\r\r"));

TEST(AblImport, Abl3FieldsGiveOffsetOctavesAccentSlideAndGate)
{
    const PatternImport r = parseABL3Pattern("; ABL3 Meta tag: 4\r\n"
                                             "12 0 1 1 0 1\r\n"
                                             "40 0 0 0 0 1\r\n"
                                             "-24 0 0 0 1 1\r\n"
                                             "3 1 0 0 0 0\r\n");
    ASSERT_TRUE(r.pattern);
    expectSteps(*r.pattern,
                {{49, true, false}, {0, false, false}, {1, false, true}, {0, false, false}});
    EXPECT_EQ(r.outOfRangeSteps, 1);
}

TEST(AblImport, StepCountComesFromTheMetaTag)
{
    const AblImport none = parseAbl2(repeatLines("e-3 1 0 0\r\n", 20));
    ASSERT_TRUE(none.import.pattern);
    EXPECT_EQ(none.import.pattern->getNBStep(), 16);

    // Lines past the 64th would end the import if they were read.
    const std::string abl2 =
        "; ABL2 Meta tag: 100\r\n" + repeatLines("e-3 1 0 0\r\n", 64) + repeatLines("xx\r\n", 6);
    const AblImport long2 = parseAbl2(abl2);
    ASSERT_TRUE(long2.import.pattern);
    EXPECT_EQ(long2.import.pattern->getNBStep(), 64);
    EXPECT_EQ(long2.import.pattern->getStep(63)->note(), 17);

    const std::string abl3 = "; ABL3 Meta tag: 100\r\n" + repeatLines("1 0 0 0 0 1\r\n", 64) +
                             repeatLines("40 0 0 0 0 1\r\n", 6);
    const PatternImport long3 = parseABL3Pattern(abl3);
    ASSERT_TRUE(long3.pattern);
    EXPECT_EQ(long3.pattern->getNBStep(), 64);
    EXPECT_EQ(long3.outOfRangeSteps, 0);
}

namespace
{
struct NotAPattern
{
    const char* name;
    std::string text;
};

// A 16-step file of either format, cut where a line ends or inside a line.
std::string cutFile(bool abl3, bool insideALine)
{
    Pattern p;
    fillPattern(p, 16, 3);
    const std::string whole = abl3 ? abl3PatternText(p, kSettings) : abl2PatternText(p, kSettings);
    const std::size_t lineEnd = whole.find("\r\n", whole.size() / 2) + 2;
    return whole.substr(0, insideALine ? lineEnd + 4 : lineEnd);
}

std::string noise(std::size_t bytes, std::string start = {})
{
    std::mt19937 rng(23);
    while (start.size() < bytes)
        start.push_back(static_cast<char>(rng()));
    return start;
}

class AblRefuses : public testing::TestWithParam<std::tuple<NotAPattern, bool>>
{
};
} // namespace

// Neither flavour takes what is not a whole pattern: no pattern and none of its settings.
TEST_P(AblRefuses, WhatIsNotAPatternAndKeepsNothing)
{
    const auto& [file, lenient] = GetParam();
    const AblImport r = parseAbl2(file.text, true, lenient);
    EXPECT_FALSE(r.import.pattern);
    EXPECT_TRUE(r.import.settings.empty());
    EXPECT_TRUE(r.import.notices.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Files, AblRefuses,
    testing::Combine(
        testing::Values(NotAPattern{"noise", noise(5000)},
                        NotAPattern{"png", noise(2000, "\x89PNG\r\n\x1a\n")},
                        NotAPattern{"abl2CutAtALineEnd", cutFile(false, false)},
                        NotAPattern{"abl2CutInsideALine", cutFile(false, true)},
                        NotAPattern{"abl3CutAtALineEnd", cutFile(true, false)},
                        NotAPattern{"abl3CutInsideALine", cutFile(true, true)},
                        NotAPattern{"onlyComments", "; ABL2 Meta tag: 16\r\n ; Tune: 0.5\r\n"},
                        NotAPattern{"text", "Dear diary,\r\ntoday I wrote an acid line.\r\n"},
                        NotAPattern{"empty", ""}),
        testing::Bool()),
    [](const auto& info)
    {
        return std::string(std::get<0>(info.param).name) +
               (std::get<1>(info.param) ? "_lenient" : "_strict");
    });

TEST(AblImport, CountsBelowTwoChangeNothing)
{
    for (const char* tag : {"0", "-3", "junk"})
    {
        EXPECT_FALSE(
            parseAbl2(std::string("; ABL2 Meta tag: ") + tag + "\r\nc-3 1 0 0\r\n").import.pattern)
            << tag;
        EXPECT_FALSE(
            parseABL3Pattern(std::string("; ABL3 Meta tag: ") + tag + "\r\n0 0 0 0 0 1\r\n")
                .pattern)
            << tag;
    }
    const std::string one = "; ABL2 Meta tag: 1\r\nc-3 1 0 0\r\n";
    EXPECT_FALSE(parseAbl2(one).import.pattern);
    const AblImport lenient = parseAbl2(one, false, true);
    ASSERT_TRUE(lenient.import.pattern);
    expectSteps(*lenient.import.pattern, {{13, false, false}});
    EXPECT_FALSE(parseABL3Pattern("; ABL3 Meta tag: 1\r\n0 0 0 0 0 1\r\n").pattern);
}

TEST(AblImport, Abl2BadStepLineDiscardsOrKeepsByFlavour)
{
    const std::string text = "; ABL2 Meta tag: 4\r\n"
                             " ; Tune: 0.1 Cutoff: 0.2 Resonance: 0.3 Envmod: 0.4 Decay: 0.5 "
                             "Accent: 0.6 Waveform: 0.0 Volume: 0.9\r\n"
                             "c-3 1 0 0\r\nh-3 1 0 0\r\nc-3 1 0 0\r\n";
    const AblImport strict = parseAbl2(text, true, false);
    EXPECT_FALSE(strict.import.pattern);
    EXPECT_TRUE(strict.import.settings.empty()) << "a refused file changes nothing";

    const AblImport lenient = parseAbl2(text, true, true);
    ASSERT_TRUE(lenient.import.pattern);
    EXPECT_EQ(lenient.import.pattern->getNBStep(), 4);
    EXPECT_EQ(lenient.import.pattern->getStep(0)->note(), 13);
    EXPECT_EQ(lenient.import.pattern->getStep(1)->note(), kDefaultStepNote);
    EXPECT_EQ(lenient.import.settings.size(), 9u);
}

TEST(AblImport, Abl2ShortLinesAndOctavesOutsideTheRange)
{
    const AblImport r = parseAbl2("; ABL2 Meta tag: 5\r\n"
                                  "c-3 1 1\r\n"   // no accent digit: no accent
                                  "c-1 1 0 1\r\n" // below note 1
                                  "c#7 1 0 0\r\n" // above note 60
                                  "c-x 1 0 0\r\n" // no octave digit
                                  "b-6 1 0 0\r\n");
    ASSERT_TRUE(r.import.pattern);
    expectSteps(*r.import.pattern, {{13, false, true},
                                    {0, true, false},
                                    {0, false, false},
                                    {0, false, false},
                                    {60, false, false}});
    EXPECT_EQ(r.import.outOfRangeSteps, 3);

    EXPECT_FALSE(parseAbl2("; ABL2 Meta tag: 2\r\nc-31\r\nc-3 1 0 0\r\n").import.pattern);
}

// Empty lines between the steps are no steps; a line of fewer than six whole numbers is no
// pattern.
TEST(AblImport, Abl3StepLinesNeedSixWholeNumbers)
{
    const PatternImport r = parseABL3Pattern("; ABL3 Meta tag: 2\n\n7 0 0 0 0 1\n\n2 0 0 0 0 1\n");
    ASSERT_TRUE(r.pattern);
    expectSteps(*r.pattern, {{32, false, false}, {27, false, false}});
    for (const char* bad : {"5 0 0 1 1", "5 0 0 1 1 x", "5 0 0 1.5 1 1", "a b c d e f"})
        EXPECT_FALSE(
            parseABL3Pattern(std::string("; ABL3 Meta tag: 2\n7 0 0 0 0 1\n") + bad + "\n").pattern)
            << bad;
}

TEST(AblImport, Abl2SettingsOnlyWithParametersAndNeverVolume)
{
    const std::string text = "; ABL2 Meta tag: 2\r\n"
                             " ; Tune: 0.100000 Cutoff: 1.200000 Resonance: 0.300000 Envmod: "
                             "0.400000 Decay: 0.500000 Accent: 0.600000 Waveform: 1.000000 "
                             "Volume: 0.200000\r\nc-3 1 0 0\r\nc-3 1 0 0\r\n";
    EXPECT_TRUE(parseAbl2(text, false).import.settings.empty());

    // In the order applied; "Gate" and "Groove" go back to their defaults.
    const std::vector<ParameterSetting> settings = parseAbl2(text, true).import.settings;
    const ParameterSetting expected[] = {
        {kTuning, 0.1f},   {kCutoff, 1.0f / 2.4f}, {kResonance, 0.3f},
        {kEnvMod, 0.4f},   {kDecay, 0.5f},         {kAccent, 0.6f},
        {kWaveform, 1.0f}, {kGate, 0.5f},          {kGroove, 0.0f}};
    ASSERT_EQ(settings.size(), std::size(expected));
    for (std::size_t i = 0; i < settings.size(); ++i)
    {
        EXPECT_EQ(settings[i].index, expected[i].index) << i;
        EXPECT_FLOAT_EQ(settings[i].value, expected[i].value) << i;
    }
}

TEST(AblImport, Abl3SettingsAlwaysApplyButNeverWithoutThePattern)
{
    const std::string settings =
        "; Tune: 0.1 Cutoff: 1.2 Resonance: 0.3 Envmod: 0.4 Decay: 0.5 Accent: 0.6 "
        "Waveform: 0.0 Volume: 0.2 \r\r\n";
    const PatternImport refused =
        parseABL3Pattern("; ABL3 Meta tag: 0\r\n" + settings + "1 0 0 0 0 1\r\n");
    EXPECT_FALSE(refused.pattern);
    EXPECT_TRUE(refused.settings.empty());

    const PatternImport r =
        parseABL3Pattern("; ABL3 Meta tag: 2\r\n" + settings + repeatLines("1 0 0 0 0 1\r\n", 2));
    ASSERT_TRUE(r.pattern);
    ASSERT_EQ(r.settings.size(), 10u);
    EXPECT_EQ(r.settings[0].index, kTuning);
    EXPECT_FLOAT_EQ(r.settings[1].value, 0.5f);
    EXPECT_EQ(r.settings[7].index, kVolume);
    EXPECT_FLOAT_EQ(r.settings[7].value, 0.2f);
    EXPECT_EQ(r.settings[8].index, kGate);
    EXPECT_EQ(r.settings[9].index, kGroove);
}

// What other programs wrote comes back from our writer line for line wherever they used an offset
// of 0-12; every step, whatever its form, reads back as the same note.
TEST(AblInterop, Abl3StepsAreWrittenAsOtherProgramsWriteThem)
{
    const std::filesystem::path folder = QUELVAR_INTEROP_DATA_DIR;
    if (!std::filesystem::is_directory(folder))
        GTEST_SKIP() << "no interop data at " << folder;
    int compared = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
    {
        if (entry.path().extension() != ".pat")
            continue;
        SCOPED_TRACE(entry.path().filename().string());
        const std::string original = readFile(entry.path().string());
        const PatternImport read = parseABL3Pattern(original);
        ASSERT_TRUE(read.pattern);
        for (const bool lenient : {false, true})
        {
            const AblImport either = parseAbl2(original, true, lenient);
            ASSERT_TRUE(either.import.pattern);
            EXPECT_TRUE(either.abl3);
            EXPECT_TRUE(either.import.notices.empty());
        }
        const std::string written = abl3PatternText(*read.pattern, kSettings);
        const PatternImport again = parseABL3Pattern(written);
        ASSERT_TRUE(again.pattern);
        expectSameSteps(*read.pattern, *again.pattern);

        const auto stepLines = [](const std::string& text)
        {
            std::vector<std::vector<int>> lines;
            std::istringstream in(text);
            for (std::string line; std::getline(in, line);)
            {
                std::istringstream fields(line);
                std::vector<int> values;
                for (int v; fields >> v;)
                    values.push_back(v);
                if (line.rfind(';', 0) != 0 && values.size() == 6)
                    lines.push_back(values);
            }
            return lines;
        };
        const auto theirs = stepLines(original);
        const auto ours = stepLines(written);
        ASSERT_EQ(theirs.size(), ours.size());
        for (std::size_t i = 0; i < theirs.size(); ++i)
        {
            if (theirs[i][5] == 0 || theirs[i][0] < 0 || theirs[i][0] > 12)
                continue;
            EXPECT_EQ(ours[i], theirs[i]) << "step " << i;
            ++compared;
        }
    }
    EXPECT_GT(compared, 20);
}
