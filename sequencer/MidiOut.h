// Outgoing MIDI of the sequencer: a ring of short messages with frame offsets, the sounding-note
// and delayed note-off flags, and the event list handed to the host. Audio thread only; every
// array is fixed at construction.
#pragma once

#include "vst2/VstInterface.h"

#include <array>
#include <cstdint>

namespace quelvar
{

constexpr int kMidiOutSlots = 255; // the ring holds at most 254 messages
constexpr int kMidiOutEvents = 255;
constexpr int kNoteOn = 0x90;
constexpr int kNoteOff = 0x80;

class MidiOut
{
public:
    MidiOut();

    // Records whether data1 now sounds, then queues the message.
    void addMidiMsg(int status, int data1, int data2, int offset);
    // Status in the low byte, then data 1, then data 2. Dropped when the ring is full.
    void addMidiMsg(std::uint32_t message, int offset);
    void addDelayedNoteOff(int note);
    // Note-offs for the notes flagged by addDelayedNoteOff, at the given offset.
    void sendDelayedNoteOffs(int offset);
    // Note-offs at offset 0 for every sounding note; returns whether any was queued.
    bool queueNoteOffsForSoundingNotes();
    bool sounding(int note) const { return note >= 0 && note < 128 && noteOnState[note]; }

    // Moves the queued messages into the event list; null when there is nothing to send.
    VstEvents* PrepareEventList();

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
    std::array<bool, 128> delayedNoteOff{};
    std::array<VstMidiEvent, kMidiOutEvents> events{};
    VstEventArray<kMidiOutEvents> list{};
};

} // namespace quelvar
