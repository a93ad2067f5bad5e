// A bounded queue from any number of threads to one: producers push without a lock (a slot is
// claimed by compare-and-swap, then published), the consumer pops; nothing blocks or allocates. A
// full ring refuses the push. Each producer's values come out in the order it pushed them.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace quelvar
{

// Holds up to Capacity values. Each cell's sequence number says whose turn it is: position p may
// write the cell when it reads p, and the consumer may read it when it reads p + 1.
template <typename T, std::size_t Capacity> class MpscRing
{
    static_assert(Capacity > 0);
    static_assert(std::is_trivially_copyable_v<T>);
    static_assert(std::atomic<std::size_t>::is_always_lock_free);

public:
    MpscRing()
    {
        for (std::size_t i = 0; i < Capacity; ++i)
            cells[i].sequence.store(i, std::memory_order_relaxed);
    }
    MpscRing(const MpscRing&) = delete;
    MpscRing& operator=(const MpscRing&) = delete;

    // Any thread. False, with nothing stored, when Capacity values are waiting.
    bool push(const T& value)
    {
        std::size_t position = claimed.load(std::memory_order_relaxed);
        for (;;)
        {
            Cell& cell = cells[position % Capacity];
            const std::size_t sequence = cell.sequence.load(std::memory_order_acquire);
            const auto lead =
                static_cast<std::intptr_t>(sequence) - static_cast<std::intptr_t>(position);
            if (lead == 0)
            {
                if (claimed.compare_exchange_weak(position, position + 1,
                                                  std::memory_order_relaxed))
                {
                    cell.value = value;
                    cell.sequence.store(position + 1, std::memory_order_release); // publishes
                    return true;
                }
            }
            else if (lead < 0)
            {
                return false; // the cell still holds a value from a lap ago
            }
            else
            {
                position = claimed.load(std::memory_order_relaxed);
            }
        }
    }

    // Consumer thread only. False when nothing is waiting, or the oldest claimed value is still
    // being written.
    bool pop(T& value)
    {
        const std::size_t position = taken.load(std::memory_order_relaxed);
        Cell& cell = cells[position % Capacity];
        if (cell.sequence.load(std::memory_order_acquire) != position + 1)
            return false;
        value = cell.value;
        cell.sequence.store(position + Capacity, std::memory_order_release); // free next lap
        taken.store(position + 1, std::memory_order_relaxed);
        return true;
    }

    // Values claimed and not yet taken; exact only while no thread pushes or pops.
    std::size_t size() const
    {
        return claimed.load(std::memory_order_relaxed) - taken.load(std::memory_order_relaxed);
    }

private:
    struct Cell
    {
        std::atomic<std::size_t> sequence{0};
        T value{};
    };

    std::array<Cell, Capacity> cells;
    std::atomic<std::size_t> claimed{0}; // positions handed to producers
    std::atomic<std::size_t> taken{0};   // written by the consumer only
};

} // namespace quelvar
