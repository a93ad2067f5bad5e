// MIDI controllers and program changes: the default map, learning and forgetting, and program
// changes selecting any of the 64 patterns by the pattern-sync rules of a pattern trigger.
#include "engine/ControllerMap.h"
#include "support/EngineHarness.h"

#include <gtest/gtest.h>

#include <set>

using namespace quelvar;

namespace
{
const char* flavourName(Flavour f)
{
    return f == Flavour::plugin ? "plugin" : "standalone";
}

class ControllerFlavour : public testing::TestWithParam<Flavour>
{
};

void controlChange(EngineHarness& h, int controller, int value)
{
    h.queueMidi(0, 0xB3, controller, value); // any channel
    h.render(32);
}
} // namespace

// Every knob and switch has a controller of its own, on the numbers synthesizers use for it
// where there is one; a controller moves its slot exactly as the panel's control does, and the
// host hears it as automation.
TEST_P(ControllerFlavour, DefaultMapMovesEverySlotAsThePanelWould)
{
    const ControllerAssignments map = ControllerMap::defaults();
    EXPECT_EQ(map[kCutoff], 74);
    EXPECT_EQ(map[kResonance], 71);
    EXPECT_EQ(map[kDecay], 75);
    EXPECT_EQ(map[kVolume], 7);
    EXPECT_EQ(map[kTriggerPattern], kNoController) << "notes and programs choose patterns";
    std::set<int> used;
    for (int slot = 0; slot < kNumParams; ++slot)
    {
        if (slot == kTriggerPattern)
            continue;
        EXPECT_TRUE(ControllerMap::assignable(map[slot])) << "slot " << slot;
        EXPECT_TRUE(used.insert(map[slot]).second) << "controller " << int(map[slot]) << " twice";
    }

    for (int slot = 0; slot < kNumParams; ++slot)
    {
        if (slot == kTriggerPattern)
            continue;
        for (int value : {127, 40})
        {
            EngineHarness byController(GetParam());
            EngineHarness byPanel(GetParam());
            controlChange(byController, map[slot], value);
            byPanel.engine().setParameterAutomated(slot, static_cast<float>(value) / 127.0f);
            byPanel.render(32);
            EXPECT_EQ(byController.engine().getParameter(slot), byPanel.engine().getParameter(slot))
                << "slot " << slot << " value " << value;
            ASSERT_EQ(byController.automated.size(), 1u) << "slot " << slot;
            EXPECT_EQ(byController.automated[0], byPanel.automated[0]) << "slot " << slot;
            EXPECT_EQ(byController.editor().parameters.back(), byPanel.editor().parameters.back());
        }
    }
}

INSTANTIATE_TEST_SUITE_P(BothFlavours, ControllerFlavour,
                         testing::Values(Flavour::plugin, Flavour::standalone),
                         [](const auto& info) { return flavourName(info.param); });

TEST(Controllers, LearnTakesTheNextAssignableControllerAndForgetDropsIt)
{
    EngineHarness h;
    h.engine().learnController(kGroove);
    EXPECT_EQ(h.engine().getLearningSlot(), kGroove);
    // Bank select comes with program changes and 120-127 are channel mode messages.
    for (int ignored : {0, 32, 121, 126})
        controlChange(h, ignored, 100);
    EXPECT_EQ(h.engine().getLearningSlot(), kGroove);
    EXPECT_EQ(h.engine().controllerOf(kGroove), 20);

    controlChange(h, 74, 127);
    EXPECT_EQ(h.engine().getLearningSlot(), -1);
    EXPECT_EQ(h.engine().controllerOf(kGroove), 74);
    EXPECT_EQ(h.engine().controllerOf(kCutoff), kNoController) << "74 moves one slot";
    EXPECT_FLOAT_EQ(h.engine().getParameter(kGroove), 1.0f) << "the learning move counts";
    const float cutoff = h.engine().getParameter(kCutoff);
    controlChange(h, 74, 0);
    EXPECT_FLOAT_EQ(h.engine().getParameter(kGroove), 0.0f);
    EXPECT_EQ(h.engine().getParameter(kCutoff), cutoff);
    controlChange(h, 20, 64);
    EXPECT_FLOAT_EQ(h.engine().getParameter(kGroove), 0.0f) << "the old controller is free";

    h.engine().forgetController(kGroove);
    controlChange(h, 74, 127);
    EXPECT_FLOAT_EQ(h.engine().getParameter(kGroove), 0.0f);
    EXPECT_EQ(h.engine().controllerOf(kGroove), kNoController);

    h.engine().learnController(kDecay);
    h.engine().learnController(-1);
    controlChange(h, 50, 10);
    EXPECT_EQ(h.engine().controllerOf(kDecay), 75) << "learning given up";
}

// A program change goes by the pattern-sync rules of a trigger, for the song's first 32
// patterns and for the 32 the trigger slot and the notes cannot reach.
struct SyncCase
{
    float pattSync;
    long long switchFrame; // host at 120 BPM and 44100 Hz, a 12-step pattern, the change at 8000
};

class ProgramChangeSync : public testing::TestWithParam<std::tuple<SyncCase, int>>
{
};

std::string syncCaseName(const testing::TestParamInfo<std::tuple<SyncCase, int>>& info)
{
    const char* const modes[] = {"free", "step", "beat", "bar", "auto"};
    return std::string(modes[static_cast<int>(std::get<0>(info.param).pattSync * 4)]) +
           "_program" + std::to_string(std::get<1>(info.param));
}

TEST_P(ProgramChangeSync, SwitchesWhereATriggerWould)
{
    const auto [sync, program] = GetParam();
    EngineHarness h;
    h.engine().setParameter(kPattSync, sync.pattSync);
    h.engine().setParameter(kNbStep, 11.0f / 63.0f);
    h.play();
    h.render(8000, 500);
    h.queueMidi(0, 0xC0, program, 0);
    h.render(1, 1);
    while (h.framesRendered() < 100000 && h.engine().getCurrentPatternIndex() != program)
        h.render(1, 1);
    EXPECT_EQ(h.framesRendered() - 1, sync.switchFrame);
    EXPECT_EQ(h.editor().steps.back(), 0) << "the new pattern starts at its first step";
}

INSTANTIATE_TEST_SUITE_P(
    EveryPatternSyncMode, ProgramChangeSync,
    testing::Combine(testing::Values(SyncCase{0.0f, 8000}, SyncCase{0.25f, 11024},
                                     SyncCase{0.5f, 22050}, SyncCase{0.75f, 88200},
                                     SyncCase{1.0f, 66150}),
                     testing::Values(5, 40)),
    syncCaseName);

TEST(ProgramChange, SelectsInEverySyncModeAndShowsPatternsPastTheTriggerSlot)
{
    for (float syncType : {0.0f, 0.5f, 1.0f})
        for (Flavour flavour : {Flavour::plugin, Flavour::standalone})
        {
            EngineHarness h(flavour);
            h.engine().setParameter(kSyncType, syncType);
            h.queueMidi(0, 0xC2, 47, 0);
            h.render(64);
            EXPECT_EQ(h.engine().getCurrentPatternIndex(), 47) << syncType;
            // The slot holds 0-1 for hosts; the editor hears the pattern itself.
            EXPECT_FLOAT_EQ(h.engine().getParameter(kTriggerPattern), 1.0f);
            char text[16] = {};
            h.engine().getParameterDisplay(kTriggerPattern, text);
            EXPECT_STREQ(text, "48");
            ASSERT_FALSE(h.editor().parameters.empty());
            EXPECT_EQ(h.editor().parameters.back(),
                      (std::pair<int, float>{kTriggerPattern, 47.0f / 32.0f}));

            h.queueMidi(0, 0xC0, 64, 0);
            h.queueMidi(0, 0xC0, 127, 0);
            h.render(64);
            EXPECT_EQ(h.engine().getCurrentPatternIndex(), 47) << "no pattern 65";
            h.queueMidi(0, 0xC0, 3, 0);
            h.render(64);
            EXPECT_EQ(h.engine().getCurrentPatternIndex(), 3);
            EXPECT_FLOAT_EQ(h.engine().getParameter(kTriggerPattern), 3.0f / 32.0f);
        }
    // The trigger slot keeps its reach: 1.0 asks for pattern 33, which it ignores.
    EngineHarness h;
    h.engine().setParameter(kTriggerPattern, 1.0f);
    EXPECT_EQ(h.engine().getCurrentPatternIndex(), 0);
}
