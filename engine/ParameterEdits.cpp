#include "engine/ParameterEdits.h"

#include <algorithm>

namespace quelvar
{

namespace
{
bool isSlot(int slot)
{
    return slot >= 0 && slot < kNumParams;
}
} // namespace

void ParameterEdits::begin(int slot)
{
    if (isSlot(slot))
        begins[static_cast<std::size_t>(slot)].fetch_add(1, std::memory_order_release);
}

// The release publishes the value the engine stored before.
void ParameterEdits::moved(int slot)
{
    if (isSlot(slot))
        values[static_cast<std::size_t>(slot)].store(true, std::memory_order_release);
}

void ParameterEdits::end(int slot)
{
    if (isSlot(slot))
        ends[static_cast<std::size_t>(slot)].fetch_add(1, std::memory_order_release);
}

bool ParameterEdits::inGesture(int slot) const
{
    return isSlot(slot) && depth[static_cast<std::size_t>(slot)] > 0;
}

bool ParameterEdits::next(Edit& edit)
{
    const int first = nextSlot;
    for (int n = 0; dueNext >= dueCount && n < kNumParams; ++n)
    {
        const int slot = (first + n) % kNumParams;
        const auto s = static_cast<std::size_t>(slot);
        const int begun = begins[s].exchange(0, std::memory_order_acquire);
        const int ended = ends[s].exchange(0, std::memory_order_acquire);
        const bool value = values[s].exchange(false, std::memory_order_acquire);
        if (begun == 0 && ended == 0 && !value)
            continue;
        nextSlot = (slot + 1) % kNumParams;
        const bool wasOpen = depth[s] > 0;
        // An end without its begin (one taken before the host heard of it) closes nothing.
        depth[s] = std::max(0, depth[s] + begun - ended);
        dueCount = 0;
        dueNext = 0;
        const bool opens = !wasOpen && (begun > 0 || value);
        if (opens)
            due[static_cast<std::size_t>(dueCount++)] = {Edit::Kind::begin, slot};
        if (value)
            due[static_cast<std::size_t>(dueCount++)] = {Edit::Kind::value, slot};
        if (depth[s] == 0 && (wasOpen || opens))
            due[static_cast<std::size_t>(dueCount++)] = {Edit::Kind::end, slot};
    }
    if (dueNext >= dueCount)
        return false;
    edit = due[static_cast<std::size_t>(dueNext++)];
    return true;
}

} // namespace quelvar
