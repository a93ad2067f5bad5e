// Notes played from the editor's or the panel's keyboard, handed to the audio thread. A bounded
// lock-free queue: any number of threads push, the audio thread pops at its next block. A full
// inbox drops the note.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

namespace quelvar
{

class LiveNoteInbox
{
public:
    struct Note
    {
        bool on = false;
        int note = 0;
        int velocity = 0;
    };

    LiveNoteInbox()
    {
        for (std::size_t i = 0; i < kSlots; ++i)
            cells[i].sequence.store(i, std::memory_order_relaxed);
    }

    bool push(const Note& note)
    {
        std::size_t position = writeIndex.load(std::memory_order_relaxed);
        for (;;)
        {
            Cell& cell = cells[position & kMask];
            const std::size_t sequence = cell.sequence.load(std::memory_order_acquire);
            const auto difference =
                static_cast<std::intptr_t>(sequence) - static_cast<std::intptr_t>(position);
            if (difference == 0)
            {
                if (writeIndex.compare_exchange_weak(position, position + 1,
                                                     std::memory_order_relaxed))
                {
                    cell.note = note;
                    cell.sequence.store(position + 1, std::memory_order_release);
                    return true;
                }
            }
            else if (difference < 0)
            {
                return false;
            }
            else
            {
                position = writeIndex.load(std::memory_order_relaxed);
            }
        }
    }

    // Audio thread only.
    bool pop(Note& note)
    {
        Cell& cell = cells[readIndex & kMask];
        if (cell.sequence.load(std::memory_order_acquire) != readIndex + 1)
            return false;
        note = cell.note;
        cell.sequence.store(readIndex + kSlots, std::memory_order_release);
        ++readIndex;
        return true;
    }

private:
    static constexpr std::size_t kSlots = 128;
    static constexpr std::size_t kMask = kSlots - 1;

    struct Cell
    {
        std::atomic<std::size_t> sequence{0};
        Note note;
    };

    std::array<Cell, kSlots> cells;
    std::atomic<std::size_t> writeIndex{0};
    std::size_t readIndex = 0;
};

} // namespace quelvar
