// Which MIDI controller (CC) moves which parameter slot: a slot has at most one controller, and
// assigning a controller takes it from any slot that had it. Starts with the default map. Any
// thread: entries are atomic bytes; the audio thread looks controllers up and completes a learn.
#pragma once

#include "io/controllerSection.h"

#include <array>
#include <atomic>
#include <cstdint>

namespace quelvar
{

class ControllerMap
{
public:
    ControllerMap() { setAssignments(defaults()); }

    static ControllerAssignments defaults();
    // Bank select (0, 32) travels with program changes and 120–127 are channel mode messages:
    // they are neither learned nor mapped.
    static bool assignable(int controller);

    int controllerOf(int slot) const;
    // Every slot the controller moves, into slots (room for kNumParams); returns the count.
    // Allocates nothing.
    int slotsOf(int controller, int* slots) const;
    void assign(int slot, int controller);
    void forget(int slot);

    ControllerAssignments assignments() const;
    // Entries that are not assignable controllers are dropped.
    void setAssignments(const ControllerAssignments& map);

private:
    std::array<std::atomic<std::int8_t>, kNumParams> controllers;
    static_assert(std::atomic<std::int8_t>::is_always_lock_free);
};

} // namespace quelvar
