#include "engine/ControllerMap.h"

namespace quelvar
{

namespace
{
constexpr int kBankSelect = 0;
constexpr int kBankSelectFine = 32;
constexpr int kFirstModeMessage = 120;
} // namespace

// The sound controllers 70–79, volume 7, portamento time 5 and the effect depths 91 and 94 where
// their meaning fits; the rest on numbers MIDI leaves undefined (20–31, 102–107).
ControllerAssignments ControllerMap::defaults()
{
    ControllerAssignments map;
    map.fill(kNoController);
    map[kVolume] = 7;
    map[kWaveform] = 70;      // sound variation
    map[kResonance] = 71;     // timbre / harmonic content
    map[kGate] = 72;          // release time
    map[kAccent] = 73;        // attack time
    map[kCutoff] = 74;        // brightness
    map[kDecay] = 75;         // decay time
    map[kEnvMod] = 79;        // the last sound controller
    map[kSlideTime] = 5;      // portamento time
    map[kTuning] = 94;        // detune depth
    map[kDelayVolume] = 91;   // effects depth
    map[kGroove] = 20;
    map[kDistParam1] = 21;
    map[kDistParam2] = 22;
    map[kDelayTime] = 23;
    map[kDelayFeedback] = 24;
    map[kDelayFilter] = 25;
    map[kDistOn] = 26;
    map[kDistSelect] = 27;
    map[kDelayOn] = 28;
    map[kDelaySync] = 29;
    map[kDelayPing] = 30;
    map[kNbStep] = 31;
    map[kPattSync] = 102;
    map[kSyncType] = 103;
    map[kTempo] = 104;
    map[kStepRecord] = 105;
    map[kAntialias] = 106;
    map[kChainPlay] = 107;
    return map;
}

bool ControllerMap::assignable(int controller)
{
    return controller >= 0 && controller < kFirstModeMessage && controller != kBankSelect &&
           controller != kBankSelectFine;
}

int ControllerMap::controllerOf(int slot) const
{
    if (slot < 0 || slot >= kNumParams)
        return kNoController;
    return controllers[static_cast<std::size_t>(slot)].load(std::memory_order_relaxed);
}

int ControllerMap::slotsOf(int controller, int* slots) const
{
    int n = 0;
    for (int slot = 0; slot < kNumParams; ++slot)
        if (controllers[static_cast<std::size_t>(slot)].load(std::memory_order_relaxed) ==
            controller)
            slots[n++] = slot;
    return n;
}

void ControllerMap::assign(int slot, int controller)
{
    if (slot < 0 || slot >= kNumParams || !assignable(controller))
        return;
    for (int other = 0; other < kNumParams; ++other)
        if (other != slot && controllerOf(other) == controller)
            forget(other);
    controllers[static_cast<std::size_t>(slot)].store(static_cast<std::int8_t>(controller),
                                                      std::memory_order_relaxed);
}

void ControllerMap::forget(int slot)
{
    if (slot >= 0 && slot < kNumParams)
        controllers[static_cast<std::size_t>(slot)].store(kNoController,
                                                          std::memory_order_relaxed);
}

ControllerAssignments ControllerMap::assignments() const
{
    ControllerAssignments map;
    for (int slot = 0; slot < kNumParams; ++slot)
        map[static_cast<std::size_t>(slot)] = static_cast<std::int8_t>(controllerOf(slot));
    return map;
}

void ControllerMap::setAssignments(const ControllerAssignments& map)
{
    for (int slot = 0; slot < kNumParams; ++slot)
    {
        const int controller = map[static_cast<std::size_t>(slot)];
        controllers[static_cast<std::size_t>(slot)].store(
            static_cast<std::int8_t>(assignable(controller) ? controller : kNoController),
            std::memory_order_relaxed);
    }
}

} // namespace quelvar
