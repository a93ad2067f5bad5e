#include "sequencer/Pattern.h"

#include <algorithm>

namespace quelvar
{

Pattern::Pattern(int count)
{
    setNBStep(count);
    for (int i = 0; i < kStepsPerPattern; ++i)
        steps[i].setTimeStart(i * kStepBeats);
}

Pattern& Pattern::operator=(const Pattern& other)
{
    if (this != &other)
    {
        steps = other.steps;
        setNBStep(other.getNBStep());
        name = other.name;
    }
    return *this;
}

Step* Pattern::getStep(int i)
{
    return i >= 0 && i < getNBStep() ? &steps[i] : nullptr;
}

const Step* Pattern::getStep(int i) const
{
    return i >= 0 && i < getNBStep() ? &steps[i] : nullptr;
}

Step* Pattern::getStepAnyIndex(int i)
{
    return i >= 0 && i < kStepsPerPattern ? &steps[i] : nullptr;
}

const Step* Pattern::getStepAnyIndex(int i) const
{
    return i >= 0 && i < kStepsPerPattern ? &steps[i] : nullptr;
}

void Pattern::setStepNote(int note, int i)
{
    if (Step* s = getStep(i))
        s->setNote(note);
}

void Pattern::setStepSlide(bool slide, int i)
{
    if (Step* s = getStep(i))
        s->setSlide(slide);
}

void Pattern::setStepAccent(bool accent, int i)
{
    if (Step* s = getStep(i))
        s->setAccent(accent);
}

void Pattern::setStepTimeStart(double beats, int i)
{
    if (Step* s = getStep(i))
        s->setTimeStart(beats);
}

void Pattern::setNBStep(int n)
{
    nbStep.store(std::clamp(n, 0, kStepsPerPattern), std::memory_order_relaxed);
}

void Pattern::clear()
{
    const int n = getNBStep();
    for (int i = 0; i < n; ++i)
    {
        steps[i].setSlide(false);
        steps[i].setAccent(false);
        steps[i].setNote(kDefaultStepNote);
    }
}

void Pattern::transposeUp()
{
    const int n = getNBStep();
    int highest = 0;
    for (int i = 0; i < n; ++i)
        highest = std::max(highest, steps[i].note());
    if (highest > kMaxStepNote - 1)
        return;
    for (int i = 0; i < n; ++i)
        if (steps[i].note() != 0)
            steps[i].setNote(steps[i].note() + 1);
}

void Pattern::transposeDown()
{
    const int n = getNBStep();
    int lowest = kMaxStepNote;
    for (int i = 0; i < n; ++i)
        if (steps[i].note() != 0)
            lowest = std::min(lowest, steps[i].note());
    if (lowest < 2)
        return;
    for (int i = 0; i < n; ++i)
        if (steps[i].note() != 0)
            steps[i].setNote(steps[i].note() - 1);
}

} // namespace quelvar
