// Whole-pattern edits and the randomisers. They run on the caller's thread (editor or panel);
// randomising the current pattern through PatternRandom1(-1) is left to the audio thread.
#include "engine/Palladon.h"
#include "sequencer/RandomSource.h"

#include <atomic>
#include <ctime>

namespace quelvar
{

namespace
{
// Added into each randomiser's seed, so two calls within one second still differ.
std::atomic<int> patternRandomCounter{1};
std::atomic<int> fieldRandomCounter{1};
std::atomic<int> parameterRandomCounter{1};

std::uint32_t seedFrom(std::atomic<int>& counter, std::uint32_t scale = 1)
{
    return static_cast<std::uint32_t>(std::time(nullptr)) +
           static_cast<std::uint32_t>(counter.fetch_add(1, std::memory_order_relaxed)) * scale;
}

struct StepFields
{
    int note;
    bool slide;
    bool accent;
};

StepFields fieldsOf(const Step& s)
{
    return {s.note(), s.slide(), s.accent()};
}

void setFields(Step& s, const StepFields& f)
{
    s.setNote(f.note);
    s.setSlide(f.slide);
    s.setAccent(f.accent);
}

void copySteps(const Pattern& from, Pattern& to)
{
    const Pattern::Edit edit(to);
    const int count = from.getNBStep();
    to.setNBStep(count);
    for (int i = 0; i < count; ++i)
        *to.getStepAnyIndex(i) = *from.getStepAnyIndex(i);
}
} // namespace

Pattern* Palladon::patternNamed(int index)
{
    return index == -1 ? getCurrentPattern() : song.getPattern(index);
}

void Palladon::PatternClear()
{
    if (Pattern* p = getCurrentPattern())
        p->clear();
}

void Palladon::PatternCopy(int index)
{
    if (!copyBuffer)
        copyBuffer = std::make_unique<Pattern>(kStepsPerPattern);
    if (const Pattern* source = patternNamed(index))
        copySteps(*source, *copyBuffer);
}

void Palladon::PatternPaste(int index)
{
    Pattern* target = patternNamed(index);
    if (!copyBuffer || !target)
        return;
    copySteps(*copyBuffer, *target);
    if (target == getCurrentPattern())
        transport.forgetCurrentStep();
}

void Palladon::patternTransposeUp()
{
    if (Pattern* p = getCurrentPattern())
        p->transposeUp();
}

void Palladon::patternTransposeDown()
{
    if (Pattern* p = getCurrentPattern())
        p->transposeDown();
}

void Palladon::patternShiftLeft()
{
    Pattern* p = getCurrentPattern();
    const int n = p ? p->getNBStep() : 0;
    if (n > 0)
    {
        const Pattern::Edit edit(*p);
        const StepFields first = fieldsOf(*p->getStepAnyIndex(0));
        for (int i = 0; i < n - 1; ++i)
            setFields(*p->getStepAnyIndex(i), fieldsOf(*p->getStepAnyIndex(i + 1)));
        setFields(*p->getStepAnyIndex(n - 1), first);
    }
    if (notifier)
        notifier->updateDisplay();
}

void Palladon::patternShiftRight()
{
    Pattern* p = getCurrentPattern();
    const int n = p ? p->getNBStep() : 0;
    if (n > 0)
    {
        const Pattern::Edit edit(*p);
        const StepFields last = fieldsOf(*p->getStepAnyIndex(n - 1));
        for (int i = n - 1; i > 0; --i)
            setFields(*p->getStepAnyIndex(i), fieldsOf(*p->getStepAnyIndex(i - 1)));
        setFields(*p->getStepAnyIndex(0), last);
    }
    if (notifier)
        notifier->updateDisplay();
}

void Palladon::PatternRandom1(int index)
{
    if (index == -1)
        randomizeRequest.store(true, std::memory_order_relaxed);
    else
        processRandomize(index);
}

void Palladon::processRandomize(int index)
{
    Pattern* target = patternNamed(index);
    if (!target || !getCurrentPattern())
        return;
    RandomSource source(seedFrom(patternRandomCounter));
    const Pattern::Edit edit(*target);
    for (int i = 0; i < target->getNBStep(); ++i)
    {
        Step& s = *target->getStepAnyIndex(i);
        s.setNote(source.random(15) + 15);
        s.setAccent(source.random(100) > 75);
        s.setSlide(source.random(100) >= 76);
    }
    if (target == getCurrentPattern())
    {
        transport.forgetCurrentStep();
        publishCurrentPatternSteps();
    }
    else
    {
        publishPatterns();
    }
}

void Palladon::patternRandom3(int what, int index)
{
    Pattern* target = patternNamed(index);
    if (!target || !getCurrentPattern())
        return;
    RandomSource source(seedFrom(fieldRandomCounter));
    const Pattern::Edit edit(*target);
    for (int i = 0; i < target->getNBStep(); ++i)
    {
        Step& s = *target->getStepAnyIndex(i);
        if (what == 0)
            s.setNote(source.random(15) + 15);
        else if (what == 1)
            s.setSlide(source.random(100) > 75);
        else if (what == 2)
            s.setAccent(source.random(100) > 75);
    }
    if (target == getCurrentPattern())
        transport.forgetCurrentStep();
    publishPatterns();
}

void Palladon::randomParameters()
{
    const auto engineNumber = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(this));
    RandomSource source(seedFrom(parameterRandomCounter, engineNumber));
    for (int slot : {kCutoff, kResonance, kEnvMod, kDecay, kAccent})
        setParameter(slot, static_cast<float>(source.random(100)) / 100.0f);
    setParameter(kWaveform, source.random(12) > 5 ? 1.0f : 0.0f);
    publishPatterns();
}

} // namespace quelvar
