// Live notes of one block for MIDI-in sync, in arrival order with their frame offsets.
// Filled by processEvents and read by the live renderer, both on the audio thread.
#pragma once

#include <algorithm>
#include <array>

namespace quelvar
{

class NoteEventQueue
{
public:
    static constexpr int kCapacity = 64;

    enum Type : int
    {
        kEnd = 0,
        kNoteOn = 1,
        kNoteOff = 2,
    };

    struct Entry
    {
        int type = kEnd;
        int note = 0;
        int offset = 0;
        int velocity = 0;
    };

    // Events beyond the 64th of one block are dropped.
    void add(int type, int note, int velocity, int offset)
    {
        if (count >= kCapacity)
            return;
        entries[count++] = {type, note, offset, velocity};
        if (count < kCapacity)
            entries[count].type = kEnd;
    }

    // Only the entries in use (and the end mark after them) were ever written.
    void clear()
    {
        std::fill_n(entries.begin(), count < kCapacity ? count + 1 : kCapacity, Entry{});
        count = 0;
    }

    int size() const { return count; }
    const Entry& operator[](int i) const { return entries[i]; }

private:
    std::array<Entry, kCapacity> entries{};
    int count = 0;
};

} // namespace quelvar
