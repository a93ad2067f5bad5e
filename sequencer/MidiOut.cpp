#include "sequencer/MidiOut.h"

#include <algorithm>
#include <utility>

namespace quelvar
{

MidiOut::MidiOut()
{
    dueOffset.fill(-1);
    for (int i = 0; i < kMidiOutEvents; ++i)
    {
        events[i].type = kVstMidiType;
        events[i].byteSize = sizeof(VstMidiEvent);
        events[i].flags = kVstMidiEventIsRealtime;
        list.events[i] = reinterpret_cast<VstEvent*>(&events[i]);
    }
}

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

VstEvents* MidiOut::PrepareEventList(int lastOffset)
{
    for (int note = 0; note < 128 && dueNotes > 0; ++note)
        if (dueOffset[note] >= 0)
            queueDueNoteOff(note, dueOffset[note]);

    int count = 0;
    while (readPosition != writePosition && count < kMidiOutEvents)
    {
        const Message& m = ring[readPosition];
        VstMidiEvent& e = events[count];
        list.events[count] = reinterpret_cast<VstEvent*>(&e);
        e.deltaFrames = std::clamp(m.offset, 0, lastOffset > 0 ? lastOffset : 0);
        e.midiData[0] = static_cast<char>(m.bytes & 0xFF);
        e.midiData[1] = static_cast<char>((m.bytes >> 8) & 0xFF);
        e.midiData[2] = static_cast<char>((m.bytes >> 16) & 0xFF);
        // Insertion sort by offset: stable, and the list is nearly in order already.
        for (int i = count; i > 0 && list.events[i - 1]->deltaFrames > e.deltaFrames; --i)
            std::swap(list.events[i - 1], list.events[i]);
        ++count;
        readPosition = readPosition + 1 < kMidiOutSlots ? readPosition + 1 : 0;
    }
    readPosition = writePosition;
    list.numEvents = count;
    return count > 0 ? list.get() : nullptr;
}

} // namespace quelvar
