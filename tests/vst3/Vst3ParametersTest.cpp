// The parameters a VST 3 host sees: every slot under its number with a fresh engine's value as
// default, step counts that are the values a slot really takes, texts a host can show and read
// back, the controls' real ranges, and MIDI controllers following the engine's map.
#include "engine/Palladon.h"
#include "engine/PalladonFiles.h"
#include "support/Vst3TestHost.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>
#include <string>
#include <vector>

using namespace quelvar;
using namespace quelvar::vst3;

namespace
{
constexpr ParamID kProgram = 1000;
constexpr ParamID kBend = 1001;
constexpr ParamID kFirstController = 1100;

ParameterInfo infoOf(Vst3TestHost& host, ParamID id)
{
    ParameterInfo info{};
    info.id = kNoParamId;
    const int index = host.indexOf(id);
    if (index >= 0)
        host.controller->getParameterInfo(index, info);
    return info;
}

std::vector<ParamID> everyParameter()
{
    std::vector<ParamID> ids;
    for (ParamID slot = 0; slot < static_cast<ParamID>(kNumParams); ++slot)
        ids.push_back(slot);
    ids.insert(ids.end(), {kProgram, kBend, kFirstController + 1, kFirstController + 74});
    return ids;
}
} // namespace

TEST(Vst3Parameters, EverySlotIsAParameterUnderItsNumberWithAFreshEnginesDefault)
{
    Vst3TestHost host(QUELVAR_VST3_BUNDLE);
    ASSERT_TRUE(host.loaded()) << host.error();
    Palladon fresh(nullptr, Flavour::plugin);
    for (int slot = 0; slot < kNumParams; ++slot)
    {
        const ParameterInfo info = infoOf(host, static_cast<ParamID>(slot));
        ASSERT_EQ(info.id, static_cast<ParamID>(slot));
        EXPECT_EQ(info.defaultNormalizedValue, fresh.getParameter(slot)) << slot;
        EXPECT_EQ(host.controller->getParamNormalized(info.id), info.defaultNormalizedValue);
        EXPECT_FALSE(asciiOf(info.title).empty());
        // Only "antialias", which the plugin keeps on, is neither shown nor automated.
        const bool shown = !(info.flags & ParameterInfo::kIsHidden);
        EXPECT_EQ(shown, slot != kAntialias) << slot;
        EXPECT_EQ(shown, (info.flags & ParameterInfo::kCanAutomate) != 0) << slot;
    }
    EXPECT_EQ(asciiOf(infoOf(host, kCutoff).units), "%");
    EXPECT_EQ(asciiOf(infoOf(host, kTempo).units), "BPM");
    EXPECT_EQ(asciiOf(infoOf(host, kChainPlay).title), "Chain");
    const ParameterInfo program = infoOf(host, kProgram);
    EXPECT_TRUE(program.flags & ParameterInfo::kIsProgramChange);
    EXPECT_EQ(program.stepCount, 63);
    std::set<ParamID> ids;
    for (int32 i = 0; i < host.controller->getParameterCount(); ++i)
    {
        ParameterInfo info{};
        ASSERT_EQ(host.controller->getParameterInfo(i, info), kResultOk);
        EXPECT_TRUE(ids.insert(info.id).second) << "id " << info.id << " twice";
    }
    ParameterInfo none{};
    EXPECT_NE(host.controller->getParameterInfo(host.controller->getParameterCount(), none),
              kResultOk);
}

class Vst3ParameterSteps : public testing::TestWithParam<int>
{
};

// A host shows a stepped parameter as stepCount + 1 positions at k / stepCount: there must be
// exactly that many different values, and each position one of them.
TEST_P(Vst3ParameterSteps, AreTheValuesTheSlotTakes)
{
    Vst3TestHost host(QUELVAR_VST3_BUNDLE);
    ASSERT_TRUE(host.loaded()) << host.error();
    const auto id = static_cast<ParamID>(GetParam());
    const ParameterInfo info = infoOf(host, id);
    std::set<std::string> swept;
    for (int i = 0; i <= 2000; ++i)
        swept.insert(host.text(id, i / 2000.0));
    if (info.stepCount == 0)
    {
        EXPECT_GT(swept.size(), 30u);
        return;
    }
    EXPECT_EQ(swept.size(), static_cast<std::size_t>(info.stepCount) + 1);
    std::set<std::string> positions;
    for (int k = 0; k <= info.stepCount; ++k)
        positions.insert(host.text(id, static_cast<double>(k) / info.stepCount));
    EXPECT_EQ(positions, swept);
    EXPECT_EQ((info.flags & ParameterInfo::kIsList) != 0,
              id == kWaveform || id == kPattSync || id == kDistSelect || id == kSyncType ||
                  id == kProgram);
}

INSTANTIATE_TEST_SUITE_P(Slots, Vst3ParameterSteps,
                         testing::Values(kVolume, kWaveform, kCutoff, kGate, kNbStep, kPattSync,
                                         kSlideTime, kTriggerPattern, kDelayOn, kDelayFilter, kDistOn, kDistSelect, kSyncType, kTempo,
                                         kStepRecord, static_cast<int>(kProgram)));

class Vst3ParameterText : public testing::TestWithParam<ParamID>
{
};

// What a host shows it can read back: the value it reads shows the same text again.
TEST_P(Vst3ParameterText, ReadsBackToTheSameText)
{
    Vst3TestHost host(QUELVAR_VST3_BUNDLE);
    ASSERT_TRUE(host.loaded()) << host.error();
    const ParamID id = GetParam();
    const int32 steps = infoOf(host, id).stepCount;
    for (const double v : {0.0, 0.01, 0.1, 0.25, 1.0 / 3.0, 0.5, 0.61, 0.77, 0.999, 1.0})
    {
        const std::string shown = host.text(id, v);
        ParamValue read = -1.0;
        ASSERT_TRUE(host.value(id, shown, read)) << shown;
        EXPECT_EQ(host.text(id, read), shown) << "from " << v;
        if (steps > 0)
        {
            EXPECT_DOUBLE_EQ(read * steps, std::round(read * steps)) << "off the grid: " << shown;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Parameters, Vst3ParameterText, testing::ValuesIn(everyParameter()));

TEST(Vst3Parameters, ReadsNamesInAnyCaseAndNumbersWithTheirUnits)
{
    Vst3TestHost host(QUELVAR_VST3_BUNDLE);
    ASSERT_TRUE(host.loaded()) << host.error();
    const struct
    {
        ParamID id;
        const char* text;
        double value;
    } cases[] = {
        {kWaveform, "SQUARE", 1.0},       {kDistSelect, "ultracrunch", 1.0},
        {kSyncType, " internal ", 0.5},   {kDelayOn, "on", 1.0},
        {kVolume, "-oo", 0.0},            {kVolume, "-6.0206 dB", 0.5},
        {kCutoff, "42 %", 0.42},          {kNbStep, "16", 15.0 / 63.0},
        {kTempo, "130 BPM", 90.0 / 260.0}, {kProgram, "64", 1.0},
        {kTriggerPattern, "32", 1.0},
    };
    for (const auto& c : cases)
    {
        ParamValue read = -1.0;
        ASSERT_TRUE(host.value(c.id, c.text, read)) << c.text;
        EXPECT_NEAR(read, c.value, 1e-6) << c.text;
    }
    ParamValue untouched = 0.25;
    EXPECT_FALSE(host.value(kCutoff, "loud", untouched));
    EXPECT_FALSE(host.value(kWaveform, "triangle", untouched));
    EXPECT_FALSE(host.value(4242, "1", untouched));
    EXPECT_EQ(untouched, 0.25);
    // The top of the pattern trigger's range is its last pattern, not a request for none.
    EXPECT_EQ(host.text(kTriggerPattern, 1.0), "32");
}

TEST(Vst3Parameters, PlainValuesAreTheControlsRanges)
{
    Vst3TestHost host(QUELVAR_VST3_BUNDLE);
    ASSERT_TRUE(host.loaded()) << host.error();
    IEditController& c = *host.controller;
    const struct
    {
        ParamID id;
        double normalized;
        double plain;
    } cases[] = {{kCutoff, 0.5, 50.0},         {kTuning, 1.0, 12.0},
                 {kDelayFilter, 0.0, -100.0},  {kNbStep, 15.0 / 63.0, 16.0},
                 {kTempo, 80.0 / 260.0, 120.0}, {kDistSelect, 1.0, 3.0},
                 {kPattSync, 0.75, 3.0},       {kSyncType, 0.5, 1.0},
                 {kProgram, 0.0, 1.0},         {kProgram, 1.0, 64.0}};
    for (const auto& k : cases)
    {
        EXPECT_NEAR(c.normalizedParamToPlain(k.id, k.normalized), k.plain, 1e-4) << k.id;
        EXPECT_NEAR(c.normalizedParamToPlain(k.id, c.plainParamToNormalized(k.id, k.plain)),
                    k.plain, 1e-4)
            << k.id;
    }
}

TEST(Vst3Parameters, KeepWhatTheHostSetsAndRefuseWhatIsNoValue)
{
    Vst3TestHost host(QUELVAR_VST3_BUNDLE);
    ASSERT_TRUE(host.loaded()) << host.error();
    IEditController& c = *host.controller;
    EXPECT_EQ(c.setParamNormalized(kCutoff, 0.7), kResultOk);
    EXPECT_EQ(c.getParamNormalized(kCutoff), 0.7);
    EXPECT_EQ(c.setParamNormalized(kProgram, 3.0), kResultOk);
    EXPECT_EQ(c.getParamNormalized(kProgram), 1.0);
    EXPECT_NE(c.setParamNormalized(kCutoff, std::numeric_limits<double>::quiet_NaN()), kResultOk);
    EXPECT_EQ(c.getParamNormalized(kCutoff), 0.7);
    EXPECT_NE(c.setParamNormalized(4242, 0.5), kResultOk);
}

TEST(Vst3Parameters, MidiControllersFollowTheEnginesMap)
{
    Vst3TestHost host(QUELVAR_VST3_BUNDLE);
    ASSERT_TRUE(host.loaded()) << host.error();
    IMidiMapping& m = *host.midiMapping;
    const auto mapped = [&](int controller, ParamID& id)
    { return m.getMidiControllerAssignment(0, 3, static_cast<CtrlNumber>(controller), id); };
    ParamID id = kNoParamId;
    ASSERT_EQ(mapped(74, id), kResultTrue);
    EXPECT_EQ(id, static_cast<ParamID>(kCutoff));
    // Not mapped: it reaches the engine as a controller, which it can learn.
    ASSERT_EQ(mapped(1, id), kResultTrue);
    EXPECT_EQ(id, kFirstController + 1);
    ASSERT_EQ(mapped(kPitchBend, id), kResultTrue);
    EXPECT_EQ(id, kBend);
    ASSERT_EQ(mapped(kCtrlProgramChange, id), kResultTrue);
    EXPECT_EQ(id, kProgram);
    for (const int refused : {0, 32, 120, 127, static_cast<int>(kAfterTouch)})
        EXPECT_NE(mapped(refused, id), kResultTrue) << refused;
    EXPECT_NE(m.getMidiControllerAssignment(1, 0, 74, id), kResultTrue);

    // A state with controller 74 on the resonance moves the host's mapping with it.
    Palladon engine(nullptr, Flavour::plugin);
    ControllerAssignments map = engine.getControllerAssignments();
    map[kCutoff] = kNoController;
    map[kResonance] = 74;
    engine.setControllerAssignments(map);
    host.restarts.clear();
    ASSERT_TRUE(host.restoreState(getChunkBytes(engine)));
    ASSERT_FALSE(host.restarts.empty());
    EXPECT_TRUE(host.restarts.back() & kMidiCCAssignmentChanged);
    ASSERT_EQ(mapped(74, id), kResultTrue);
    EXPECT_EQ(id, static_cast<ParamID>(kResonance));
}
