// Outgoing MIDI of the sequencer: a ring of short messages with frame offsets, the sounding-note
// and delayed note-off flags, and the block's list of timed messages, in time order. Audio thread
// only; every array is fixed at construction.
#pragma once

#include "dsp/TimedList.h"
#include "sequencer/BlockMidi.h"

#include <array>
#include <cstdint>

namespace quelvar
{

constexpr int kMidiOutSlots = 255; // the ring holds at most 254 messages
// A block's list: one block may be rendered in several pieces, each emptying the ring into it.
constexpr int kMidiOutEvents = 512;
using MidiOutList = TimedList<BlockMidi, kMidiOutEvents>;
constexpr int kNoteOn = 0x90;
constexpr int kNoteOff = 0x80;

class MidiOut
{
public:
    // Records whether data1 now sounds, then queues the message. A note-on of a key that still
    // sounds ends it first, at its deferred note-off's offset if that comes earlier, else at the
    // note-on's: each key's note-ons and note-offs alternate.
    void addMidiMsg(int status, int data1, int data2, int offset);
    // Status in the low byte, then data 1, then data 2. Dropped when the ring is full.
    void addMidiMsg(std::uint32_t message, int offset);
    // The note-off of `note` goes out in the next block, at the offset sendDelayedNoteOffs names.
    void addDelayedNoteOff(int note);
    bool hasDelayedNoteOffs() const { return delayedNotes > 0; }
    // At a block start: the notes flagged by addDelayedNoteOff end at the given offset of this
    // block, unless a note-on of the same key comes first.
    void sendDelayedNoteOffs(int offset);
    // Note-offs at offset 0 for every sounding note, deferred ones included; returns whether
    // any was queued.
    bool queueNoteOffsForSoundingNotes();
    bool sounding(int note) const { return note >= 0 && note < 128 && noteOnState[note]; }

    // Moves the queued messages and the note-offs due in this block into the list, in time order
    // (messages at one offset keep their order), every offset held within first … last.
    void PrepareEventList(MidiOutList& list, int first, int last);

private:
    struct Message
    {
        std::uint32_t bytes;
        int offset;
    };

    std::array<Message, kMidiOutSlots> ring{};
    int readPosition = 0;
    int writePosition = 0;
    std::array<bool, 128> noteOnState{};
    void setSounding(int note, bool on);
    void queueDueNoteOff(int note, int offset);

    std::array<bool, 128> delayedNoteOff{}; // flagged in this block, due in the next
    std::array<int, 128> dueOffset = allNone(); // -1, or where in this block the note-off goes
    // How many flags are set in the arrays above, so a block with none looks at none.
    int soundingNotes = 0;
    int delayedNotes = 0;
    int dueNotes = 0;

    static constexpr std::array<int, 128> allNone()
    {
        std::array<int, 128> a{};
        a.fill(-1);
        return a;
    }
};

} // namespace quelvar
