// The slots moved outside the host's own automation (the panel, a file read with its settings,
// randomising; controllers on the audio thread), kept for a plugin format's UI thread to tell its
// host, with the gestures that bracket them. Any thread records, the audio thread included: each
// record is one lock-free atomic operation and nothing allocates. One UI thread takes.
#pragma once

#include "engine/parameterTable.h"

#include <array>
#include <atomic>

namespace quelvar
{

class ParameterEdits
{
public:
    // A gesture on a slot starts and ends (a knob grabbed and let go); moved: the slot's value
    // changed, the engine already holding the new one.
    void begin(int slot);
    void moved(int slot);
    void end(int slot);

    struct Edit
    {
        enum class Kind
        {
            begin,
            value, // read the slot's value from the engine now
            end,
        };
        Kind kind;
        int slot;
    };

    // The next thing to tell the host, slots in turn so a slot moved often hides none of the
    // others. A move outside a gesture comes bracketed by a begin and an end of its own; begins
    // and ends that come while a gesture is already open, or in pairs between two takes, are
    // folded into it, so the host sees every gesture opened once and closed once. UI thread.
    bool next(Edit& edit);

    // Whether the host has been told of a gesture on the slot that has not ended. UI thread.
    bool inGesture(int slot) const;

private:
    // Recorded, taken by next().
    std::array<std::atomic<int>, kNumParams> begins{};
    std::array<std::atomic<int>, kNumParams> ends{};
    std::array<std::atomic<bool>, kNumParams> values{};
    static_assert(std::atomic<int>::is_always_lock_free);
    static_assert(std::atomic<bool>::is_always_lock_free);

    // UI thread: gestures the host was told of and not yet the end of, and what is left to tell
    // of the slot being taken.
    std::array<int, kNumParams> depth{};
    std::array<Edit, 3> due{};
    int dueCount = 0;
    int dueNext = 0;
    int nextSlot = 0;
};

} // namespace quelvar
