// The engine's whole-pattern edits, randomisers and lines in a key: which pattern, when, and who
// hears of it (the step loops are sequencer/patternOperations and sequencer/lineOperations). They
// run on the caller's thread (editor or panel); randomising the current pattern through
// PatternRandom1(-1) is left to the audio thread.
#include "engine/Palladon.h"
#include "sequencer/RandomSource.h"
#include "sequencer/lineOperations.h"
#include "sequencer/patternOperations.h"

#include <atomic>
#include <cstring>
#include <ctime>
#include <type_traits>

namespace quelvar
{

namespace
{
// Added into each randomiser's seed, so two calls within one second still differ.
std::atomic<int> patternRandomCounter{1};
std::atomic<int> fieldRandomCounter{1};
std::atomic<int> parameterRandomCounter{1};
std::atomic<int> lineRandomCounter{1};

static_assert(std::is_trivially_copyable_v<LineSettings> &&
              sizeof(LineSettings) <= sizeof(std::uint64_t));

std::uint32_t seedFrom(std::atomic<int>& counter, std::uint32_t scale = 1)
{
    return static_cast<std::uint32_t>(std::time(nullptr)) +
           static_cast<std::uint32_t>(counter.fetch_add(1, std::memory_order_relaxed)) * scale;
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
    if (Pattern* p = getCurrentPattern())
        shiftStepsLeft(*p);
    if (notifier)
        notifier->updateDisplay();
}

void Palladon::patternShiftRight()
{
    if (Pattern* p = getCurrentPattern())
        shiftStepsRight(*p);
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
    randomizeSteps(*target, source);
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
    if (what >= 0 && what <= 2)
        randomizeStepField(*target, static_cast<StepField>(what), source);
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

LineSettings Palladon::getLineSettings() const
{
    const std::uint64_t word = lineSettings.load(std::memory_order_relaxed);
    LineSettings s;
    std::memcpy(static_cast<void*>(&s), &word, sizeof s);
    return s;
}

// One store of the whole record: a reader never sees the key of one setting and the scale of
// another.
void Palladon::setLineSettings(const LineSettings& settings)
{
    const LineSettings s = heldInRange(settings);
    std::uint64_t word = 0;
    std::memcpy(&word, &s, sizeof s);
    lineSettings.store(word, std::memory_order_relaxed);
    if (sharedBlock)
        sharedBlock->writeLineSettings(s);
}

void Palladon::editCurrentLine(LineOperation operation)
{
    Pattern* p = getCurrentPattern();
    if (!p)
        return;
    RandomSource source(seedFrom(lineRandomCounter));
    operation(*p, getLineSettings(), source);
    transport.forgetCurrentStep();
    publishPatterns();
}

void Palladon::generateLine()
{
    editCurrentLine(&quelvar::generateLine);
}

void Palladon::mutateLine()
{
    editCurrentLine(&quelvar::mutateLine);
}

void Palladon::fitLineToKey()
{
    editCurrentLine([](Pattern& p, const LineSettings& s, RandomSource&)
                    { fitToKey(p, s.key, s.scale); });
}

} // namespace quelvar
