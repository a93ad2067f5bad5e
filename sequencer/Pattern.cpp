#include "sequencer/Pattern.h"

#include "sequencer/utf8Prefix.h"

#include <algorithm>

namespace quelvar
{

Pattern::Pattern(int count)
{
    setName("Default");
    setNBStep(count);
    for (int i = 0; i < kStepsPerPattern; ++i)
        steps[i].setTimeStart(i * kStepBeats);
}

void Pattern::beginEdit()
{
    editors.fetch_add(1);
    changes.fetch_add(1);
}

void Pattern::endEdit()
{
    changes.fetch_add(1);
    editors.fetch_sub(1);
}

bool Pattern::copyStepsUnedited(const Pattern& source)
{
    const int editorsBefore = source.editors.load();
    const std::uint32_t changesBefore = source.changes.load();
    for (int i = 0; i < kStepsPerPattern; ++i)
        steps[i] = source.steps[i];
    nbStep.store(source.getNBStep(), std::memory_order_relaxed);
    // A read-modify-write keeps the copy's loads from moving past this second look at the
    // counters (the fence a sequence lock would use is not understood by ThreadSanitizer).
    const std::uint32_t changesAfter = source.changes.fetch_add(0, std::memory_order_acq_rel);
    return editorsBefore == 0 && source.editors.load() == 0 && changesAfter == changesBefore;
}

Pattern& Pattern::operator=(const Pattern& other)
{
    if (this != &other)
    {
        const Edit edit(*this);
        steps = other.steps;
        setNBStep(other.getNBStep());
        setName(other.getName());
    }
    return *this;
}

std::string Pattern::getName() const
{
    std::string text;
    for (const std::atomic<char>& c : name)
    {
        const char ch = c.load(std::memory_order_relaxed);
        if (ch == 0)
            break;
        text.push_back(ch);
    }
    return text;
}

std::size_t Pattern::copyName(char* out, std::size_t capacity) const
{
    std::size_t length = 0;
    while (length + 1 < capacity)
    {
        const char ch = name[length].load(std::memory_order_relaxed);
        if (ch == 0)
            break;
        out[length++] = ch;
    }
    out[length] = 0;
    return length;
}

void Pattern::setName(std::string_view newName)
{
    const std::string_view kept = utf8Prefix(newName, kMaxPatternNameBytes);
    for (std::size_t i = 0; i < kept.size(); ++i)
        name[i].store(kept[i], std::memory_order_relaxed);
    name[kept.size()].store(0, std::memory_order_relaxed);
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
    {
        const Edit edit(*this);
        s->setNote(note);
    }
}

void Pattern::setStepSlide(bool slide, int i)
{
    if (Step* s = getStep(i))
    {
        const Edit edit(*this);
        s->setSlide(slide);
    }
}

void Pattern::setStepAccent(bool accent, int i)
{
    if (Step* s = getStep(i))
    {
        const Edit edit(*this);
        s->setAccent(accent);
    }
}

void Pattern::setStepTimeStart(double beats, int i)
{
    if (Step* s = getStep(i))
    {
        const Edit edit(*this);
        s->setTimeStart(beats);
    }
}

void Pattern::setNBStep(int n)
{
    const Edit edit(*this);
    nbStep.store(std::clamp(n, 0, kStepsPerPattern), std::memory_order_relaxed);
}

void Pattern::clear()
{
    const Edit edit(*this);
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
    const Edit edit(*this);
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
    const Edit edit(*this);
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
