// The CLAP parameters as a host and the validator see them: ranges, defaults and flags, values
// held to their range whatever is sent, and texts that are the engine's display texts and read
// back to the value they show.
#include "clap/clapParameters.h"
#include "engine/parameterText.h"
#include "support/ClapTestHost.h"
#include "tools/vsthost/VstHost.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <set>
#include <string>

using namespace quelvar;
using namespace quelvar::clap;

namespace
{
class ClapParameters : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(host.loaded()) << host.error();
        ASSERT_NE(host.create(), nullptr);
        infos = host.parameters();
    }

    ClapTestHost host{QUELVAR_CLAP_PATH};
    std::vector<clap_param_info> infos;
};

struct Expected
{
    int slot;
    double minimum;
    double maximum;
    double defaultValue;
    std::uint32_t kind; // CLAP_PARAM_IS_STEPPED, with CLAP_PARAM_IS_ENUM for lists of names
};

constexpr std::uint32_t kList = CLAP_PARAM_IS_STEPPED | CLAP_PARAM_IS_ENUM;

// The plugin's defaults, not the standalone program's.
const Expected kExpected[] = {
    {kVolume, 0, 1, 1.0, 0},
    {kWaveform, 0, 1, 0, kList},
    {kTuning, 0, 1, 0.5, 0},
    {kCutoff, 0, 1, 0.09375, 0},
    {kResonance, 0, 1, 0.919375, 0},
    {kEnvMod, 0, 1, 0.170625, 0},
    {kDecay, 0, 1, 0.9, 0},
    {kAccent, 0, 1, 0.304375, 0},
    {kGate, 0, 1, 0.5, 0},
    {kGroove, 0, 1, 0, 0},
    {kNbStep, 1, 64, 16, CLAP_PARAM_IS_STEPPED},
    {kPattSync, 0, 4, 4, kList},
    {kSlideTime, 0, 1, 0, 0},
    {kTriggerPattern, 1, 32, 1, CLAP_PARAM_IS_STEPPED},
    {kDelayOn, 0, 1, 0, CLAP_PARAM_IS_STEPPED},
    {kDelaySync, 0, 1, 1, CLAP_PARAM_IS_STEPPED},
    {kDelayPing, 0, 1, 0, CLAP_PARAM_IS_STEPPED},
    {kDelayTime, 0, 1, 0.5, 0},
    {kDelayVolume, 0, 1, 0.3, 0},
    {kDelayFeedback, 0, 1, 0.3, 0},
    {kDelayFilter, 0, 1, 0.5, 0},
    {kDistOn, 0, 1, 0, CLAP_PARAM_IS_STEPPED},
    {kDistSelect, 0, 3, 0, kList},
    {kDistParam1, 0, 1, 0, 0},
    {kDistParam2, 0, 1, 0.5, 0},
    {kSyncType, 0, 2, 0, kList},
    {kTempo, 40, 300, 120, CLAP_PARAM_IS_STEPPED},
    {kStepRecord, 0, 1, 0, CLAP_PARAM_IS_STEPPED},
    {kChainPlay, 0, 1, 0, CLAP_PARAM_IS_STEPPED},
};

// A value within the parameter's range; whole for a stepped one.
double randomValue(const clap_param_info& info, std::mt19937& random)
{
    const double v = std::uniform_real_distribution<double>(info.min_value, info.max_value)(random);
    return info.flags & CLAP_PARAM_IS_STEPPED ? std::round(v) : v;
}
} // namespace

TEST_F(ClapParameters, EverySlotButAntialiasWithItsRangeDefaultAndKind)
{
    ASSERT_EQ(infos.size(), std::size(kExpected));
    const auto* params = host.extension<clap_plugin_params>(CLAP_EXT_PARAMS);
    clap_param_info past{};
    EXPECT_FALSE(params->get_info(host.plugin(), static_cast<std::uint32_t>(infos.size()), &past));
    for (std::size_t i = 0; i < infos.size(); ++i)
    {
        const clap_param_info& info = infos[i];
        const Expected& e = kExpected[i];
        SCOPED_TRACE(info.name);
        EXPECT_EQ(info.id, static_cast<clap_id>(e.slot));
        EXPECT_STRNE(info.name, "");
        EXPECT_EQ(info.min_value, e.minimum);
        EXPECT_EQ(info.max_value, e.maximum);
        EXPECT_FLOAT_EQ(info.default_value, e.defaultValue);
        EXPECT_EQ(info.flags & kList, e.kind);
        EXPECT_TRUE(info.flags & CLAP_PARAM_IS_AUTOMATABLE);
        EXPECT_EQ(host.value(info.id), info.default_value) << "a fresh instance holds its defaults";
    }
    EXPECT_EQ(host.value(kAntialias), -1.0) << "antialias is no parameter: the plugin keeps it on";
    EXPECT_EQ(host.value(kNumParams), -1.0);
}

// As the validator fuzzes: any value of any parameter, in any order, also beyond the range and
// NaN, and events of another space that are not ours.
TEST_F(ClapParameters, ValuesStayWithinTheirRangeWhateverIsSent)
{
    std::mt19937 random(27);
    for (int n = 0; n < 2000; ++n)
    {
        const clap_param_info& info = infos[random() % infos.size()];
        const double wild[] = {randomValue(info, random), info.max_value + 1e6,
                               info.min_value - 3.5, std::nan(""), HUGE_VAL};
        host.flush(info.id, wild[random() % std::size(wild)]);
    }
    for (const clap_param_info& info : infos)
    {
        SCOPED_TRACE(info.name);
        const double v = host.value(info.id);
        EXPECT_GE(v, info.min_value);
        EXPECT_LE(v, info.max_value);
        if (info.flags & CLAP_PARAM_IS_STEPPED)
        {
            EXPECT_EQ(v, std::round(v));
        }
        const double before = v;
        host.flush(info.id, info.max_value - v + info.min_value, 1);
        EXPECT_EQ(host.value(info.id), before) << "an event of another space is not ours";
    }
}

// The validator's conversion check over the range's ends, the default and random values: a
// value's text reads back as a value with the same text; every whole value of a stepped
// parameter reads back as itself.
TEST_F(ClapParameters, TextsReadBackToTheValueTheyShow)
{
    std::mt19937 random(24);
    for (const clap_param_info& info : infos)
    {
        SCOPED_TRACE(info.name);
        std::vector<double> values = {info.min_value, info.max_value, info.default_value};
        for (int n = 0; n < 60; ++n)
            values.push_back(randomValue(info, random));
        if (info.flags & CLAP_PARAM_IS_STEPPED)
            for (double v = info.min_value; v <= info.max_value; ++v)
                values.push_back(v);
        for (double v : values)
        {
            const std::optional<std::string> text = host.text(info.id, v);
            ASSERT_TRUE(text) << v;
            const std::optional<double> back = host.fromText(info.id, *text);
            ASSERT_TRUE(back) << *text;
            EXPECT_EQ(host.text(info.id, *back), text) << v << " reads back as " << *back;
            if (info.flags & CLAP_PARAM_IS_STEPPED)
            {
                EXPECT_EQ(*back, v) << *text;
            }
        }
        EXPECT_FALSE(host.fromText(info.id, "no such value"));
        EXPECT_FALSE(host.fromText(info.id, ""));
    }
    EXPECT_FALSE(host.text(kAntialias, 1.0));
    EXPECT_FALSE(host.fromText(kNumParams, "1"));
}

struct TextCase
{
    int slot;
    const char* text;
    double value;
};

class ClapParameterTexts : public ClapParameters, public ::testing::WithParamInterface<TextCase>
{
};

// What a user types: names in any case, numbers with or without their unit, beyond the range.
TEST_P(ClapParameterTexts, ReadAsTheUserMeansThem)
{
    const TextCase& c = GetParam();
    const std::optional<double> v = host.fromText(c.slot, c.text);
    ASSERT_TRUE(v) << c.text;
    EXPECT_FLOAT_EQ(*v, c.value) << c.text;
}

INSTANTIATE_TEST_SUITE_P(
    Typed, ClapParameterTexts,
    ::testing::Values(TextCase{kVolume, "-oo dB", 0.0}, TextCase{kVolume, "0 dB", 1.0},
                      TextCase{kVolume, "+12", 1.0}, TextCase{kCutoff, "50", 0.5},
                      TextCase{kCutoff, " 50 % ", 0.5}, TextCase{kCutoff, "150 %", 1.0},
                      TextCase{kDelayFilter, "-100", 0.0}, TextCase{kWaveform, "SQUARE", 1.0},
                      TextCase{kDistSelect, "ultracrunch", 3.0}, TextCase{kPattSync, "auto", 4.0},
                      TextCase{kSyncType, "MIDI in", 2.0}, TextCase{kDelayOn, "on", 1.0},
                      TextCase{kNbStep, "64", 64.0}, TextCase{kTriggerPattern, "32", 32.0},
                      TextCase{kTempo, "300 bpm", 300.0}, TextCase{kTempo, "20", 40.0}));

// Every text is the VST 2 plugin's display for the same slot value, followed by the unit; both
// plugins are given the same values, as the texts of some slots follow others (delay sync, tempo).
TEST_F(ClapParameters, TextsAreTheEnginesDisplayTexts)
{
    VstHost vst(QUELVAR_PLUGIN_PATH);
    ASSERT_TRUE(vst.loaded()) << vst.error();
    std::mt19937 random(1);
    for (const clap_param_info& info : infos)
    {
        if (info.id >= static_cast<clap_id>(kNumNamedParams))
            continue; // the VST 2 plugin shows no text for the unnamed slots
        SCOPED_TRACE(info.name);
        const ControlPort& port = *clapParameterWithId(info.id);
        for (int n = 0; n < 20; ++n)
        {
            const double v = n == 0 ? info.default_value : randomValue(info, random);
            vst.setParameter(port.slot, fromClapValue(port, v));
            host.flush(info.id, v);
            std::string expected = vst.parameterDisplay(port.slot);
            if (*parameterUnit(port.slot))
                expected += std::string(" ") + parameterUnit(port.slot);
            EXPECT_EQ(host.text(info.id, v), expected) << v;
        }
    }
    EXPECT_EQ(host.text(kVolume, 1.0), "0.000000 dB");
    EXPECT_EQ(host.text(kCutoff, 0.09375), "9 %");
    EXPECT_EQ(host.text(kDistSelect, 1.0), "ClipInferno");
    EXPECT_EQ(host.text(kSyncType, 2.0), "MIDI in");
    EXPECT_EQ(host.text(kTempo, 120.0), "120 BPM");
    EXPECT_EQ(host.text(kStepRecord, 1.0), "ON");
}
