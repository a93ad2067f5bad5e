// MIDI into the engine: pattern selection and step recording from notes, live notes for
// MIDI-in sync, the echo of every note to the editor's keyboard, controllers moving parameters
// and program changes selecting patterns.
#include "engine/Palladon.h"

#include <algorithm>

namespace quelvar
{

namespace
{
constexpr int kPitchBend = 0xE0;
constexpr int kControlChange = 0xB0;
constexpr int kProgramChange = 0xC0;
constexpr int kTriggerNotes = 32; // notes 0–31 select patterns
} // namespace

// Audio thread, at the start of the span the events fall in. Live notes sound at their frame,
// or at the span's first frame in the standalone program with its antialias switch on.
void Palladon::takeMidi(const RenderInput::MidiList& events, int from, int to, int spanStart,
                        int frames)
{
    const int mode = transport.syncType();
    const bool keepOffsets = traits.liveNotesAtTheirFrame || storedValue(kAntialias) == 0.0f;
    const bool selectsPatterns =
        mode == kHostSync || (mode == kInternalSync && traits.notesTriggerInInternalSync);
    for (int i = from; i < to; ++i)
    {
        const BlockMidi& m = events[i];
        const int status = m.bytes[0] & 0xF0;
        const int d1 = m.bytes[1];
        const int d2 = m.bytes[2];
        // Data bytes with the top bit set are not MIDI: the message is ignored.
        if (d1 > 127 || d2 > 127)
            continue;
        const int offset = keepOffsets
                               ? std::clamp(m.frame, spanStart, std::max(frames - 1, spanStart))
                               : spanStart;

        if (status == kPitchBend)
        {
            if (isRecordEnabled())
                recorder.setPitchBend(d1, d2);
        }
        else if (status == kControlChange)
            controlChange(d1, d2);
        else if (status == kProgramChange)
            programChange(d1);
        else if (status == kNoteOn && d2 > 0)
        {
            if (mode == kMidiInSync)
                addNoteOn(d1, d2, offset);
            else if (selectsPatterns)
            {
                recorder.recordPattern(d1, d2, true);
                if (d1 < kTriggerNotes)
                {
                    setParameter(kTriggerPattern, static_cast<float>(d1) / kTriggerablePatterns);
                    reportPatternChoice();
                }
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
}

void Palladon::reportPatternChoice()
{
    if (output)
        output->reports.add(kTriggerPattern, getParameter(kTriggerPattern), false);
}

// Audio thread. The learning slot is taken by the first assignable controller, which then moves
// it at once like any mapped controller.
void Palladon::controlChange(int controller, int value)
{
    if (!ControllerMap::assignable(controller))
        return;
    const int learning = learningSlot.exchange(-1, std::memory_order_relaxed);
    if (learning >= 0)
    {
        controllers.assign(learning, controller);
        publishControllers();
        if (output)
            output->controllersChanged = true;
    }
    int slots[kNumParams];
    const int n = controllers.slotsOf(controller, slots);
    for (int i = 0; i < n; ++i)
    {
        const float v = static_cast<float>(value) / 127.0f;
        setParameter(slots[i], v);
        if (output)
            output->reports.add(slots[i], v, true);
    }
}

// Audio thread. Programs 0–63 name the song's patterns in every sync mode; the first 32 go
// through the "trigger pt" slot as the trigger notes do, the others straight to the sequencer
// (the slot cannot hold them) with the same notice for the editor.
void Palladon::programChange(int program)
{
    if (program >= kPatternsPerSong)
        return;
    if (program < kTriggerablePatterns)
        setParameter(kTriggerPattern, static_cast<float>(program) / kTriggerablePatterns);
    else
    {
        triggerPattern(program);
        notifyParameter(kTriggerPattern, static_cast<float>(program) / kTriggerablePatterns);
    }
    reportPatternChoice();
}

void Palladon::learnController(int slot)
{
    learningSlot.store(slot >= 0 && slot < kNumParams ? slot : -1, std::memory_order_relaxed);
    publishControllers();
}

void Palladon::forgetController(int slot)
{
    controllers.forget(slot);
    if (getLearningSlot() == slot)
        learningSlot.store(-1, std::memory_order_relaxed);
    publishControllers();
}

void Palladon::setControllerAssignments(const ControllerAssignments& map)
{
    controllers.setAssignments(map);
    publishControllers();
}

void Palladon::publishControllers()
{
    if (sharedBlock)
        sharedBlock->writeControllers(controllers.assignments(), getLearningSlot());
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
