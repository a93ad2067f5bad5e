// The engine's chunk and file operations: what a host, the editor or the panel sees when state
// goes out to a file or a chunk and comes back, for both flavours.
#include "engine/PalladonFiles.h"

#include "engine/Palladon.h"
#include "io/ioTestSupport.h"
#include "io/midiExport.h"
#include "io/patternFile.h"
#include "support/EngineHarness.h"
#include "support/RecordingEditor.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>

using namespace quelvar;
using namespace quelvar::iotest;

namespace
{
// Every slot but the pattern trigger moved away from its default, every pattern filled with its
// own step count (0 included), steps and name, and a chain that plays.
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
    ChainEntries chain;
    for (int i = 0; i < kMaxChainEntries; ++i)
        chain.append((i * 37) % kPatternsPerSong);
    engine.setChain(chain);
    engine.setParameter(kChainPlay, 1.0f);
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

void setDistinctParameters(Palladon& engine)
{
    for (int i = 0; i < kNumParams; ++i)
        if (i != kTriggerPattern && i != kNbStep)
            engine.setParameter(i, static_cast<float>((i * 11) % 29 + 1) / 30.0f);
}

std::vector<float> parametersOf(Palladon& engine)
{
    const ParameterSnapshot params = parameterSnapshot(engine);
    return {params.begin(), params.end()};
}

const char* flavourName(Flavour f)
{
    return f == Flavour::plugin ? "plugin" : "standalone";
}

class StateChunkFlavour : public testing::TestWithParam<Flavour>
{
};

class PatternFileFlavour : public testing::TestWithParam<Flavour>
{
};

class AblFlavour : public testing::TestWithParam<Flavour>
{
};

class PhoscyonFlavour : public testing::TestWithParam<Flavour>
{
};
} // namespace

TEST_P(StateChunkFlavour, RoundTripRestoresParametersAndAllPatterns)
{
    Palladon source(nullptr, GetParam());
    scrambleState(source);
    Palladon target(nullptr, GetParam());
    ASSERT_EQ(applyChunk(target, getChunkBytes(source)), 1);

    for (int i = 0; i < kNumParams; ++i)
    {
        if (i != kTriggerPattern)
        {
            EXPECT_FLOAT_EQ(target.getParameter(i), source.getParameter(i)) << "slot " << i;
        }
    }
    EXPECT_EQ(target.getChain(), source.getChain());
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

// The map travels with the state; a state from before the map (no section) loads as it always
// did and leaves the map as it is; a damaged section rejects the chunk.
TEST_P(StateChunkFlavour, ControllerMapTravelsWithTheStateAndEarlierStatesLeaveIt)
{
    Palladon source(nullptr, GetParam());
    scrambleState(source);
    ControllerAssignments custom = ControllerMap::defaults();
    custom[kCutoff] = 1;
    custom[kDecay] = kNoController;
    source.setControllerAssignments(custom);
    const std::vector<std::uint8_t> chunk = getChunkBytes(source);

    Palladon target(nullptr, GetParam());
    ASSERT_EQ(applyChunk(target, chunk), 1);
    EXPECT_EQ(target.getControllerAssignments(), custom);

    // The same state as the earlier writer left it: everything up to the section.
    const std::size_t recordsEnd = chunkRecordsEnd(parseChunk(chunk.data(), chunk.size()));
    const std::vector<std::uint8_t> earlier(chunk.begin(), chunk.begin() + recordsEnd);
    Palladon older(nullptr, GetParam());
    ControllerAssignments own = ControllerMap::defaults();
    own[kGroove] = 3;
    older.setControllerAssignments(own);
    ASSERT_EQ(applyChunk(older, earlier), 1);
    EXPECT_EQ(older.getControllerAssignments(), own);
    EXPECT_EQ(parametersOf(older), parametersOf(target));
    for (int i = 0; i < kPatternsPerSong; ++i)
        expectSameSteps(*target.getSong().getPattern(i), *older.getSong().getPattern(i));

    std::vector<std::uint8_t> damaged = chunk;
    damaged[recordsEnd + 6 + kCutoff] = 200;
    Palladon fresh(nullptr, GetParam());
    const std::vector<std::uint8_t> before = getChunkBytes(fresh);
    EXPECT_FALSE(applyWholeChunk(fresh, damaged.data(), damaged.size()));
    EXPECT_EQ(getChunkBytes(fresh), before);
    EXPECT_EQ(applyChunk(fresh, damaged), 0);
}

// The key and the line settings travel with the state; a state from before them loads with the
// defaults; a damaged line section rejects the chunk and changes nothing of them.
TEST_P(StateChunkFlavour, LineSettingsTravelWithTheStateAndEarlierStatesTakeTheDefaults)
{
    Palladon source(nullptr, GetParam());
    scrambleState(source);
    const LineSettings custom{11, Scale::blues, 100, 7, 0, 64};
    source.setLineSettings(custom);
    const std::vector<std::uint8_t> chunk = getChunkBytes(source);

    Palladon target(nullptr, GetParam());
    ASSERT_EQ(applyChunk(target, chunk), 1);
    EXPECT_EQ(target.getLineSettings(), custom);

    // A state from before the line settings ends where their section starts (the chain came later).
    const auto lineStart =
        std::search(chunk.begin(), chunk.end(), std::begin(kLineTag), std::end(kLineTag));
    ASSERT_NE(lineStart, chunk.end());
    const std::vector<std::uint8_t> earlier(chunk.begin(), lineStart);
    ASSERT_EQ(applyChunk(target, earlier), 1);
    EXPECT_EQ(target.getLineSettings(), LineSettings{});
    EXPECT_EQ(target.getControllerAssignments(), source.getControllerAssignments());

    std::vector<std::uint8_t> damaged = chunk;
    damaged[(lineStart - chunk.begin()) + kLineSectionBytes - kLineFields] = kKeys; // the key
    target.setLineSettings(custom);
    EXPECT_FALSE(applyWholeChunk(target, damaged.data(), damaged.size()));
    EXPECT_EQ(applyChunk(target, damaged), 0);
    EXPECT_EQ(target.getLineSettings(), custom);
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

TEST_P(PatternFileFlavour, RoundTripWithParameters)
{
    TempDir dir;
    Palladon source(nullptr, GetParam());
    setDistinctParameters(source);
    fillPattern(*source.getCurrentPattern(), 16, 11);
    source.getCurrentPattern()->setName("ten bytes!");
    ASSERT_TRUE(source.exportPattern(dir.file("a.303")));
    EXPECT_EQ(readFile(dir.file("a.303")).size(), 186u);

    Palladon target(nullptr, GetParam());
    const float syncBefore = target.getParameter(kSyncType);
    ASSERT_TRUE(target.importPattern(dir.file("a.303"), -1, true));
    expectSameSteps(*source.getCurrentPattern(), *target.getCurrentPattern());
    EXPECT_EQ(target.getCurrentPattern()->getName(), "ten bytes!");
    for (int i = 0; i < kStoredParams; ++i)
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
    ASSERT_TRUE(source.exportPattern(dir.file("a.303")));

    Palladon ignoring(nullptr, Flavour::standalone);
    ignoring.setIgnoreSyncModeOnImport(true);
    ASSERT_TRUE(ignoring.importPattern(dir.file("a.303"), -1, true));
    EXPECT_EQ(ignoring.getParameter(kSyncType), 0.0f);

    Palladon taking(nullptr, Flavour::standalone);
    ASSERT_TRUE(taking.importPattern(dir.file("a.303"), -1, true));
    EXPECT_EQ(taking.getParameter(kSyncType), 0.5f);
}

TEST(PatternFile, WithoutParametersOnlyThePatternChanges)
{
    TempDir dir;
    Palladon source(nullptr);
    setDistinctParameters(source);
    fillPattern(*source.getCurrentPattern(), 16, 5);
    ASSERT_TRUE(source.exportPattern(dir.file("a.303")));

    Palladon target(nullptr);
    const std::vector<float> before = parametersOf(target);
    ASSERT_TRUE(target.importPattern(dir.file("a.303"), 9, false));
    expectSameSteps(*source.getCurrentPattern(), *target.getSong().getPattern(9));
    EXPECT_EQ(parametersOf(target), before);
    EXPECT_EQ(target.getCurrentPatternIndex(), 0);
}

TEST(PatternFile, ParameterCountAbove29RejectsTheWholeFile)
{
    TempDir dir;
    std::vector<std::uint8_t> bytes = sampleFile(16, "x");
    bytes[10 + 48 + 2] = 30;
    writeFile(dir.file("a.303"), bytes);
    Palladon target(nullptr);
    const std::vector<std::uint8_t> before = getChunkBytes(target);
    EXPECT_FALSE(target.importPattern(dir.file("a.303"), -1, true));
    EXPECT_EQ(getChunkBytes(target), before);
    // The count is only looked at when parameters are wanted.
    EXPECT_TRUE(target.importPattern(dir.file("a.303"), -1, false));
}

TEST(PatternFile, FileEndingAfterItsStepsKeepsDefaultNameAndParameters)
{
    TempDir dir;
    std::vector<std::uint8_t> bytes = sampleFile(16, "gone");
    bytes.resize(10 + 48);
    writeFile(dir.file("a.303"), bytes);
    Palladon target(nullptr);
    const std::vector<float> before = parametersOf(target);
    ASSERT_TRUE(target.importPattern(dir.file("a.303"), -1, true));
    EXPECT_EQ(target.getCurrentPattern()->getName(), "Default");
    EXPECT_EQ(parametersOf(target), before);
}

TEST(PatternFile, UnusableRequestsChangeNothing)
{
    TempDir dir;
    Palladon engine(nullptr);
    ASSERT_TRUE(engine.exportPattern(dir.file("a.303")));
    EXPECT_FALSE(engine.exportPattern(""));
    EXPECT_FALSE(engine.exportPattern(dir.file("missing/a.303")));
    EXPECT_FALSE(engine.importPattern(dir.file("missing.303"), -1, true));
    EXPECT_FALSE(engine.importPattern(dir.file("a.303"), 64, true));
    EXPECT_FALSE(engine.importPattern(dir.file("a.303"), -2, true));
    writeFile(dir.file("empty.303"), std::string());
    EXPECT_FALSE(engine.importPattern(dir.file("empty.303"), -1, true));
}

TEST(BankFile, SavedAndLoadedRestoresAllPatternsAndParameters)
{
    TempDir dir;
    Palladon source(nullptr);
    setDistinctParameters(source);
    for (int i = 0; i < kPatternsPerSong; ++i)
        fillPattern(*source.getSong().getPattern(i), 1 + i, static_cast<unsigned>(i));
    ASSERT_TRUE(source.exportBank(dir.file("a.b303")));

    Palladon target(nullptr);
    testing::internal::CaptureStdout();
    EXPECT_TRUE(target.importBank(dir.file("a.b303"), 5));
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(getChunkBytes(target), getChunkBytes(source));
    EXPECT_FALSE(target.importBank(dir.file("missing.b303"), 0));
}

TEST_P(AblFlavour, Abl2RoundTripKeepsNotesGatesSlidesAndAccents)
{
    TempDir dir;
    Palladon source(nullptr, GetParam());
    fillPattern(*source.getCurrentPattern(), 32, 21);
    ASSERT_TRUE(source.exportABL2Pattern(dir.file("line.pat")));

    Palladon target(nullptr, GetParam());
    ASSERT_TRUE(target.importABLPattern(dir.file("line.pat"), -1, false));
    expectSameSteps(*source.getCurrentPattern(), *target.getCurrentPattern());
    EXPECT_EQ(target.getCurrentPattern()->getName(), "line");
}

TEST_P(AblFlavour, Abl3RoundTripKeepsStepsAndSettings)
{
    TempDir dir;
    Palladon source(nullptr, GetParam());
    fillPattern(*source.getCurrentPattern(), 64, 22);
    source.setParameter(kDecay, 0.25f);
    source.setParameter(kVolume, 0.75f);
    ASSERT_TRUE(source.exportABL3Pattern(dir.file("line.pat")));

    Palladon target(nullptr, GetParam());
    testing::internal::CaptureStdout();
    ASSERT_TRUE(target.importABLPattern(dir.file("line.pat"), -1, false));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    expectSameSteps(*source.getCurrentPattern(), *target.getCurrentPattern());
    EXPECT_FLOAT_EQ(target.getParameter(kDecay), 0.25f);
    EXPECT_FLOAT_EQ(target.getParameter(kVolume), 0.75f);
}

// What is not a whole pattern changes nothing, not even the settings line read before the steps
// failed.
TEST_P(AblFlavour, AFileThatIsNoPatternChangesNothingNotEvenItsSettings)
{
    TempDir dir;
    Palladon source(nullptr, GetParam());
    source.setParameter(kDecay, 0.125f);
    ASSERT_TRUE(source.exportABL3Pattern(dir.file("whole.pat")));
    const std::string whole = readFile(dir.file("whole.pat"));
    writeFile(dir.file("cut.pat"), whole.substr(0, whole.size() / 2));
    writeFile(dir.file("junk.pat"), "; ABL2 Meta tag: 16\r\n ; Tune: 0.1 Cutoff: 0.2 Resonance: "
                                    "0.3 Envmod: 0.4 Decay: 0.9\r\nnot a step\r\n");

    Palladon target(nullptr, GetParam());
    const std::vector<std::uint8_t> before = getChunkBytes(target);
    for (const char* name : {"cut.pat", "junk.pat"})
    {
        EXPECT_FALSE(target.importABLPattern(dir.file(name), -1, true)) << name;
        EXPECT_EQ(getChunkBytes(target), before) << name;
    }
}

INSTANTIATE_TEST_SUITE_P(BothFlavours, AblFlavour,
                         testing::Values(Flavour::plugin, Flavour::standalone),
                         [](const auto& info) { return flavourName(info.param); });

TEST(AblImport, EachStepMadeARestIsReported)
{
    TempDir dir;
    writeFile(dir.file("x.pat"), "; ABL3 Meta tag: 2\r\n40 0 0 0 0 1\r\n-26 0 0 0 0 1\r\n");
    Palladon engine(nullptr);
    testing::internal::CaptureStdout();
    ASSERT_TRUE(engine.importABL3Pattern(dir.file("x.pat"), -1, false));
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Quelvar > ImportABL3Pattern ERROR : note out of range : step disabled\n"
              "Quelvar > ImportABL3Pattern ERROR : note out of range : step disabled\n");
    EXPECT_EQ(engine.getCurrentPattern()->getStep(0)->note(), 0);
}

TEST(AblImport, NamesComeFromTheFileName)
{
    TempDir dir;
    const std::string abl2 = "; ABL2 Meta tag: 2\r\nc-3 1 0 0\r\nc-3 1 0 0\r\n";
    const std::string abl3 = "; ABL3 Meta tag: 2\r\n0 0 0 0 0 1\r\n0 0 0 0 0 1\r\n";
    writeFile(dir.file("acid.line.two.pat"), abl2);
    writeFile(dir.file("acid.line.three.pat"), abl3);
    writeFile(dir.file("a very long pattern file name.pat"), abl2);
    writeFile(dir.file("noextension"), abl2);

    Palladon plugin(nullptr, Flavour::plugin);
    Palladon standalone(nullptr, Flavour::standalone);
    auto nameAfter = [](Palladon& e, const std::string& path)
    {
        EXPECT_TRUE(e.importABLPattern(path, 3, false));
        return e.getSong().getPattern(3)->getName();
    };
    EXPECT_EQ(nameAfter(plugin, dir.file("acid.line.two.pat")), "acid.line.two");
    EXPECT_EQ(nameAfter(standalone, dir.file("acid.line.two.pat")), "acid");
    EXPECT_EQ(nameAfter(standalone, dir.file("acid.line.three.pat")), "acid.line.three");
    EXPECT_EQ(nameAfter(plugin, dir.file("a very long pattern file name.pat")),
              "a very long pattern file");
    EXPECT_EQ(nameAfter(plugin, dir.file("noextension")), "Default");
}

// Beyond what the readers say, the engine says what it left out: a name cut, a sync mode kept,
// a bank's notes out of range.
TEST(ImportNotices, TheEngineAddsWhatItLeftOut)
{
    TempDir dir;
    writeFile(dir.file("a very long pattern file name.pat"),
              "; ABL2 Meta tag: 2\r\nc-3 1 0 0\r\nc-3 1 0 0\r\n");
    Palladon internal(nullptr, Flavour::standalone);
    internal.setParameter(kSyncType, 0.5f);
    ASSERT_TRUE(internal.exportPattern(dir.file("internal.303")));
    std::vector<std::uint8_t> bank = getChunkBytes(internal);
    bank[recordAt(bank, 0) + 2] = 61; // the first step's note
    writeFile(dir.file("a.b303"), bank);

    Palladon engine(nullptr, Flavour::plugin);
    std::vector<std::string> said;
    ASSERT_TRUE(
        engine.importABLPattern(dir.file("a very long pattern file name.pat"), -1, false, &said));
    ASSERT_TRUE(engine.importPattern(dir.file("internal.303"), -1, true, &said));
    ASSERT_TRUE(engine.importBank(dir.file("a.b303"), -1, &said));
    EXPECT_EQ(said, (std::vector<std::string>{"the name was cut to \"a very long pattern file\"",
                                              "the file's sync mode was not applied",
                                              "1 step out of range was switched off"}));
}

TEST(AblImport, UnusableRequestsChangeNothing)
{
    TempDir dir;
    Palladon engine(nullptr);
    writeFile(dir.file("a.pat"), "; ABL2 Meta tag: 2\r\nc-3 1 0 0\r\nc-3 1 0 0\r\n");
    const std::vector<std::uint8_t> before = getChunkBytes(engine);
    EXPECT_FALSE(engine.importABLPattern(dir.file("missing.pat"), -1, true));
    EXPECT_FALSE(engine.importABLPattern(dir.file("a.pat"), 64, true));
    EXPECT_FALSE(engine.importABL3Pattern(dir.file("a.pat"), -5, true));
    EXPECT_EQ(getChunkBytes(engine), before);
    EXPECT_FALSE(engine.exportABL2Pattern(""));
    EXPECT_FALSE(engine.exportABL3Pattern(dir.file("missing/a.pat")));
}

// Files written by other programs: CR CR LF or LF line ends, a trailing blank, and ABL3's own
// "; Triplet: … Shuffle: …" line in place of the settings line.
TEST(AblInterop, ThirdPartyAbl3FilesImportTheirSteps)
{
    const std::filesystem::path folder = QUELVAR_INTEROP_DATA_DIR;
    if (!std::filesystem::is_directory(folder))
        GTEST_SKIP() << "no interop data at " << folder;

    const std::vector<ExpectedStep> jam = {
        {16, false, false}, {30, false, false}, {30, false, true},  {31, false, false},
        {49, true, true},   {33, false, false}, {34, false, false}, {0, false, false},
        {0, false, false},  {33, false, true},  {13, false, false}, {19, true, false},
        {29, false, true},  {32, true, false},  {19, false, true},  {26, false, false}};
    const std::vector<ExpectedStep> slideTie = {
        {25, false, true},  {29, false, false}, {27, false, false}, {27, false, false},
        {30, false, false}, {30, false, true},  {32, false, false}, {32, false, false},
        {34, false, false}, {0, false, false},  {36, false, true},  {38, true, false},
        {15, false, false}, {15, false, false}, {0, false, false},  {0, false, false}};
    std::vector<ExpectedStep> upOctave;
    for (int offset : {12, 13, 14, 16, 17, 20, 22, 23, 0, 1, 2, 4, 5, 8, 10, 11})
        upOctave.push_back({25 + offset, false, false});

    struct Case
    {
        const char* file;
        const std::vector<ExpectedStep>* steps;
        bool hasSettings;
    };
    const Case cases[] = {
        {"td3control_JAM_PATTERN.pat", &jam, true},
        {"td3control_JAM_PATTERN-ROUNDTRIP_TO_ABL3_LOAD_AND_SAVE_BACK.pat", &jam, false},
        {"td3control_ABL3_DECODE_SLIDE_TIE_DL_FROM_DEVICE_SYNTHTRIBE_TO_PAT.pat", &slideTie, true},
        {"td3control_ABL3_DECODE_UP_OCTAVE_DL_FROM_DEVICE_SYNTHTRIBE_TO_PAT.pat", &upOctave, true},
    };
    for (int k = 0; k < 2 * 4; ++k)
    {
        const Case& c = cases[k % 4];
        const Flavour flavour = k < 4 ? Flavour::plugin : Flavour::standalone;
        SCOPED_TRACE(std::string(c.file) + " " + flavourName(flavour));
        Palladon engine(nullptr, flavour);
        const float cutoff = engine.getParameter(kCutoff);
        testing::internal::CaptureStdout();
        ASSERT_TRUE(engine.importABLPattern((folder / c.file).string(), -1, false));
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
        expectSteps(*engine.getCurrentPattern(), *c.steps);
        EXPECT_EQ(engine.getCurrentPattern()->getName(),
                  std::string(c.file).substr(
                      0, std::min<std::size_t>(24, std::string(c.file).size() - 4)));
        if (c.hasSettings)
        {
            EXPECT_FLOAT_EQ(engine.getParameter(kCutoff), 0.5f / 2.4f);
            EXPECT_FLOAT_EQ(engine.getParameter(kVolume), 0.5f);
            EXPECT_FLOAT_EQ(engine.getParameter(kWaveform), 1.0f);
        }
        else
            EXPECT_EQ(engine.getParameter(kCutoff), cutoff);
    }
}

TEST_P(PhoscyonFlavour, RoundTripKeepsNotesAccentsSlidesAndRests)
{
    TempDir dir;
    Palladon source(nullptr, GetParam());
    fillPattern(*source.getCurrentPattern(), 16, 31);
    source.getCurrentPattern()->setName("303 <\"&'> line");
    ASSERT_TRUE(source.exportPhoscyonPattern(dir.file("a.phptr")));

    const std::string text = readFile(dir.file("a.phptr"));
    EXPECT_EQ(text.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>", 0) == 0,
              source.getTraits().phoscyonXmlDeclaration);
    EXPECT_NE(text.find("<Pattern application=\"Phoscyon\" name=\"303 &lt;&quot;&amp;&apos;&gt; "
                        "line\" length=\"16\" shuffle=\"0\" tempo=\"120\">\n    <Step note="),
              std::string::npos);

    Palladon target(nullptr, GetParam());
    ASSERT_TRUE(target.importPhoscyonPattern(dir.file("a.phptr"), -1));
    expectSameSteps(*source.getCurrentPattern(), *target.getCurrentPattern());
    EXPECT_EQ(target.getCurrentPattern()->getName(), "303 <\"&'> line");
}

INSTANTIATE_TEST_SUITE_P(BothFlavours, PhoscyonFlavour,
                         testing::Values(Flavour::plugin, Flavour::standalone),
                         [](const auto& info) { return flavourName(info.param); });

TEST(Phoscyon, UnusableFilesLeaveTheSongUnchanged)
{
    TempDir dir;
    Palladon engine(nullptr);
    const std::vector<std::uint8_t> before = getChunkBytes(engine);
    for (const char* xml : {"not xml at all", "<Pattern length=\"0\"><Step note=\"1\"/></Pattern>"})
    {
        writeFile(dir.file("bad.phptr"), std::string(xml));
        EXPECT_FALSE(engine.importPhoscyonPattern(dir.file("bad.phptr"), -1)) << xml;
    }
    EXPECT_FALSE(engine.importPhoscyonPattern(dir.file("missing.phptr"), -1));
    EXPECT_EQ(getChunkBytes(engine), before);
}

TEST(Phoscyon, InstallsIntoTheRequestedSlot)
{
    TempDir dir;
    writeFile(dir.file("a.phptr"), std::string("<Pattern name=\"slot\" length=\"3\">"
                                               "<Step note=\"1\" gate=\"1\"/></Pattern>"));
    Palladon engine(nullptr);
    ASSERT_TRUE(engine.importPhoscyonPattern(dir.file("a.phptr"), 12));
    EXPECT_EQ(engine.getSong().getPattern(12)->getName(), "slot");
    EXPECT_EQ(engine.getSong().getPattern(12)->getNBStep(), 3);
    EXPECT_EQ(engine.getCurrentPattern()->getName(), "pattern 1");
    EXPECT_FALSE(engine.importPhoscyonPattern(dir.file("a.phptr"), 64));
}

// The engine's export hands its own "Gate", "Groove" and the host's tempo to the writer.
TEST(MidiExport, TakesGateGrooveAndTempoFromTheEngine)
{
    TempDir dir;
    Palladon engine(nullptr);
    engine.setParameter(kGate, 1.0f);
    engine.setParameter(kGroove, 0.75f);
    ASSERT_TRUE(engine.exportMidiPattern(dir.file("a.mid"), 3));
    MidiExportSettings settings;
    settings.tempoBpm = engine.getTransport().hostTempo();
    settings.gate = 1.0;
    settings.groove = 0.75;
    const std::vector<std::uint8_t> expected =
        midiPatternBytes(*engine.getSong().getPattern(3), settings);
    const std::string written = readFile(dir.file("a.mid"));
    EXPECT_EQ(std::vector<std::uint8_t>(written.begin(), written.end()), expected);
}

// What a drag hands over is the MIDI export of the current pattern at the tempo the sequencer
// plays at, under the pattern's number and name, written into the folder given.
TEST(MidiExport, ThePlayingLineIsTheExportAtTheTempoInForce)
{
    TempDir dir;
    EngineHarness h;
    Palladon& engine = h.engine();
    engine.setParameter(kGroove, 0.5f);
    engine.triggerPattern(16);
    h.setTempo(133.5);
    h.render(64);
    engine.setParameter(kTempo, (97.0f - 40.0f) / 260.0f);
    engine.getCurrentPattern()->setName("night/bus");
    const auto exported = [&](double bpm)
    {
        const std::string path = dir.file("export.mid");
        EXPECT_TRUE(exportMidiPattern(engine, path, -1, bpm));
        const std::string bytes = readFile(path);
        return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
    };

    const PlayingLine hostSync = playingLine(engine);
    EXPECT_EQ(hostSync.name, "Quelvar 17 night-bus");
    EXPECT_EQ(hostSync.midi, exported(133.5)) << "the host's tempo in host sync";
    engine.setParameter(kSyncType, 0.5f);
    EXPECT_EQ(playingLine(engine).midi, exported(engine.getTransport().tempo()));
    EXPECT_NE(playingLine(engine).midi, hostSync.midi) << "the internal tempo otherwise";

    const std::string written = writePlayingLine(engine, dir.file("cache"));
    EXPECT_EQ(written, dir.file("cache") + "/Quelvar 17 night-bus.mid");
    const std::string bytes = readFile(written);
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.end()), playingLine(engine).midi);
    EXPECT_EQ(writePlayingLine(engine, "cache"), "") << "only into an absolute folder";

    // While chain play is on, the chain goes: one pass, as its export writes it.
    ChainEntries chain;
    for (int k : {16, 2, 16})
        chain.append(k);
    engine.setChain(chain);
    engine.setParameter(kChainPlay, 1.0f);
    const PlayingLine chained = playingLine(engine);
    EXPECT_EQ(chained.name, "Quelvar chain");
    EXPECT_EQ(chained.midi, midiChainOf(engine, engine.getTransport().tempo()));
    ASSERT_TRUE(exportMidiChain(engine, dir.file("chain.mid"), engine.getTransport().tempo()));
    const std::string chainFile = readFile(dir.file("chain.mid"));
    EXPECT_EQ(chained.midi, std::vector<std::uint8_t>(chainFile.begin(), chainFile.end()));
    engine.setChain({});
    EXPECT_EQ(playingLine(engine).name, "Quelvar 17 night-bus") << "an empty chain: the pattern";
}

TEST(MidiExport, UnusableRequestsWriteNothing)
{
    TempDir dir;
    Palladon engine(nullptr);
    EXPECT_FALSE(engine.exportMidiPattern("", -1));
    EXPECT_FALSE(engine.exportMidiPattern(dir.file("a.mid"), 64));
    EXPECT_FALSE(engine.exportMidiPattern(dir.file("missing/a.mid"), -1));
    EXPECT_FALSE(std::filesystem::exists(dir.file("a.mid")));
}
