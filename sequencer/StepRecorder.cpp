#include "sequencer/StepRecorder.h"

#include "sequencer/Step.h"

namespace quelvar
{

namespace
{
constexpr int kLowestRecordedNote = 32;
}

void StepRecorder::release(int note)
{
    const int stamp = recordKeys[note];
    if (stamp == 0)
        return;
    recordKeys[note] = 0;
    for (int& other : recordKeys)
        if (other > stamp)
            --other;
}

void StepRecorder::recordPattern(int note, int velocity, bool pressed)
{
    if (note < kLowestRecordedNote || note > 127)
        return;
    // A second note-on without a note-off moves the key to the end of the press order.
    release(note);
    if (!pressed)
        return;
    int held = 0;
    for (int stamp : recordKeys)
        held += stamp != 0;
    recordVelocity = velocity;
    recordKeys[note] = held + 1;
}

void StepRecorder::setPitchBend(int lsb, int msb)
{
    const int w = lsb + 128 * msb - 8192;
    bendDown = w < 0;
    bendUp = w > 0;
}

StepRecorder::Result StepRecorder::processRecordPatternNote(Step* step, int accentThreshold)
{
    if (!step)
        return Result::unchanged;
    bool changed = false;
    if (bendUp)
    {
        step->setSlide(true);
        changed = true;
    }
    else if (bendDown)
    {
        step->setSlide(false);
        changed = true;
    }

    std::array<int, 128> pressOrder{};
    int held = 0;
    for (int note = 0; note < 128; ++note)
    {
        const int stamp = recordKeys[note];
        if (stamp > 0)
        {
            pressOrder[stamp - 1] = note;
            ++held;
        }
    }
    if (held == 0)
    {
        recordCounter = 0;
        return changed ? Result::slideChanged : Result::unchanged;
    }
    const int key = pressOrder[recordCounter % held];
    const int n = key - kMidiNoteOffset;
    step->setNote(n >= 0 && n <= kMaxStepNote ? n : 0);
    step->setAccent(recordVelocity > accentThreshold);
    ++recordCounter;
    return Result::noteWritten;
}

} // namespace quelvar
