#include "sequencer/MidiOut.h"

#include <algorithm>

namespace quelvar
{

void MidiOut::addMidiMsg(int status, int data1, int data2, int offset)
{
    const int key = data1 & 0x7F;
    if (status == kNoteOn)
    {
        if (delayedNoteOff[key])
        {
            delayedNoteOff[key] = false;
            --delayedNotes;
        }
        queueDueNoteOff(key, offset);
    }
    setSounding(key, status == kNoteOn);
    addMidiMsg(static_cast<std::uint32_t>(status & 0xFF) |
                   static_cast<std::uint32_t>(data1 & 0xFF) << 8 |
                   static_cast<std::uint32_t>(data2 & 0xFF) << 16,
               offset);
}

void MidiOut::addMidiMsg(std::uint32_t message, int offset)
{
    const int next = writePosition + 1 < kMidiOutSlots ? writePosition + 1 : 0;
    if (next == readPosition)
        return;
    ring[writePosition] = {message, offset};
    writePosition = next;
}

void MidiOut::setSounding(int note, bool on)
{
    if (noteOnState[note] == on)
        return;
    noteOnState[note] = on;
    soundingNotes += on ? 1 : -1;
}

void MidiOut::addDelayedNoteOff(int note)
{
    if (!delayedNoteOff[note & 0x7F])
        ++delayedNotes;
    delayedNoteOff[note & 0x7F] = true;
}

void MidiOut::sendDelayedNoteOffs(int offset)
{
    for (int note = 0; note < 128 && delayedNotes > 0; ++note)
    {
        if (!delayedNoteOff[note])
            continue;
        delayedNoteOff[note] = false;
        --delayedNotes;
        if (dueOffset[note] < 0)
            ++dueNotes;
        dueOffset[note] = offset;
    }
}

void MidiOut::queueDueNoteOff(int note, int offset)
{
    const int due = dueOffset[note];
    if (due >= 0)
        --dueNotes;
    dueOffset[note] = -1;
    if (noteOnState[note])
        addMidiMsg(kNoteOff, note, 0, due >= 0 && due < offset ? due : offset);
}

bool MidiOut::queueNoteOffsForSoundingNotes()
{
    if (soundingNotes == 0 && delayedNotes == 0 && dueNotes == 0)
        return false;
    bool queued = false;
    delayedNotes = 0;
    dueNotes = 0;
    for (int note = 0; note < 128; ++note)
    {
        delayedNoteOff[note] = false;
        dueOffset[note] = -1;
        if (!noteOnState[note])
            continue;
        addMidiMsg(kNoteOff, note, 0, 0);
        queued = true;
    }
    return queued;
}

void MidiOut::PrepareEventList(MidiOutList& list, int first, int last)
{
    for (int note = 0; note < 128 && dueNotes > 0; ++note)
        if (dueOffset[note] >= 0)
            queueDueNoteOff(note, dueOffset[note]);

    while (readPosition != writePosition)
    {
        const Message& m = ring[static_cast<std::size_t>(readPosition)];
        BlockMidi e;
        e.frame = std::clamp(m.offset, first, last > first ? last : first);
        e.bytes = {static_cast<std::uint8_t>(m.bytes & 0xFF),
                   static_cast<std::uint8_t>((m.bytes >> 8) & 0xFF),
                   static_cast<std::uint8_t>((m.bytes >> 16) & 0xFF)};
        list.add(e);
        readPosition = readPosition + 1 < kMidiOutSlots ? readPosition + 1 : 0;
    }
}

} // namespace quelvar
