// MIDI into the engine: pattern selection and step recording from notes, live notes for
// MIDI-in sync, and the echo of every note to the editor's keyboard.
#include "engine/Palladon.h"

namespace quelvar
{

namespace
{
constexpr int kPitchBend = 0xE0;
constexpr int kTriggerNotes = 32; // notes 0–31 select patterns
} // namespace

VstInt32 Palladon::processEvents(VstEvents* events)
{
    noteEvents.clear();
    const int mode = transport.syncType();
    const bool keepOffsets = storedValue(kAntialias) == 0.0f;
    const bool selectsPatterns =
        mode == kHostSync || (mode == kInternalSync && traits.notesTriggerInInternalSync);
    for (int i = 0; i < events->numEvents; ++i)
    {
        const VstEvent* e = eventAt(*events, i);
        if (!e || e->type != kVstMidiType)
            continue;
        const auto* midi = reinterpret_cast<const VstMidiEvent*>(e);
        const int status = static_cast<unsigned char>(midi->midiData[0]) & 0xF0;
        const int d1 = static_cast<unsigned char>(midi->midiData[1]);
        const int d2 = static_cast<unsigned char>(midi->midiData[2]);
        // Data bytes with the top bit set are not MIDI: the message is ignored.
        if (d1 > 127 || d2 > 127)
            continue;
        const int offset = keepOffsets && midi->deltaFrames > 0 ? midi->deltaFrames : 0;

        if (status == kPitchBend)
        {
            if (isRecordEnabled())
                recorder.setPitchBend(d1, d2);
        }
        else if (status == kNoteOn && d2 > 0)
        {
            if (mode == kMidiInSync)
                addNoteOn(d1, d2, offset);
            else if (selectsPatterns)
            {
                recorder.recordPattern(d1, d2, true);
                if (d1 < kTriggerNotes)
                    setParameter(kTriggerPattern, static_cast<float>(d1) * 0.03125f);
            }
            if (notifier)
                notifier->sendMidiMessage(kNoteOn, d1, d2);
        }
        else if (status == kNoteOff || status == kNoteOn)
        {
            if (mode == kMidiInSync)
                addNoteOff(d1, d2, offset);
            else if (selectsPatterns)
                recorder.recordPattern(d1, d2, false);
            if (notifier)
                notifier->sendMidiMessage(kNoteOff, d1, d2);
        }
    }
    return 1;
}

void Palladon::addNoteOn(int note, int velocity, int offset)
{
    noteEvents.add(NoteEventQueue::kNoteOn, note, velocity, offset);
}

void Palladon::addNoteOff(int note, int velocity, int offset)
{
    noteEvents.add(NoteEventQueue::kNoteOff, note, velocity, offset);
}

void Palladon::play(int note, int velocity, int /*extra*/)
{
    if (note >= 0 && note <= 127)
        liveInbox.push({true, note, velocity});
}

void Palladon::stop(int note, int velocity, int /*extra*/)
{
    if (note >= 0 && note <= 127)
        liveInbox.push({false, note, velocity});
}

void Palladon::silenceNotes()
{
    noteEvents.clear();
    live.releaseAll();
    recorder.releaseAll();
    resetPendingNote();
}

void Palladon::setAccentThreshold(int velocity)
{
    accentThreshold.store(velocity < 0 ? 0 : (velocity > 127 ? 127 : velocity),
                          std::memory_order_relaxed);
}

int Palladon::getAccentThreshold() const
{
    return traits.accentThresholdSettable ? accentThreshold.load(std::memory_order_relaxed)
                                          : kDefaultAccentThreshold;
}

} // namespace quelvar
