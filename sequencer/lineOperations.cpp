#include "sequencer/lineOperations.h"

#include <algorithm>
#include <array>
#include <numeric>
#include <utility>

namespace quelvar
{

namespace
{
constexpr int kOctave = 12;
constexpr int kSecondOctaveC = 13; // MIDI 48: lines sit around the middle of the range
constexpr int kRootWeight = 3;     // the root is drawn as often as this many other degrees
constexpr int kOctaveUpPercent = 15;
constexpr int kOctaveDownPercent = 5;
constexpr int kNeighbourSemitones = 7;

// Chances of what Mutate does to a note, out of 100, in this order: another note, an octave, a
// rest, an accent flipped, a slide flipped.
constexpr int kOtherNotePercent = 40;
constexpr int kOctavePercent = 15;
constexpr int kRestPercent = 15;
constexpr int kAccentFlipPercent = 15;

int homeRoot(const LineSettings& s)
{
    return kSecondOctaveC + s.key;
}

bool drawn(RandomSource& source, int percent)
{
    return source.below(100) < percent;
}

int newNote(const LineSettings& s, RandomSource& source)
{
    const int root = homeRoot(s);
    std::array<int, kOctave + kRootWeight> degrees{};
    int count = 0;
    for (int i = 0; i < kOctave; ++i)
        if (inScale(root + i, s.key, s.scale))
            degrees[static_cast<std::size_t>(count++)] = root + i;
    for (int i = 1; i < kRootWeight; ++i)
        degrees[static_cast<std::size_t>(count++)] = root;
    const int note = degrees[static_cast<std::size_t>(source.below(count))];
    const int octave = source.below(100);
    if (octave < kOctaveUpPercent)
        return note + kOctave;
    if (octave < kOctaveUpPercent + kOctaveDownPercent)
        return note - kOctave;
    return note;
}

// Another note of the scale within a fifth of `note`; there is always one, as no scale leaves a
// gap of a fifth.
int neighbourOf(int note, const LineSettings& s, RandomSource& source)
{
    std::array<int, 2 * kNeighbourSemitones> candidates{};
    int count = 0;
    for (int d = -kNeighbourSemitones; d <= kNeighbourSemitones; ++d)
        if (d != 0 && inScale(note + d, s.key, s.scale))
            candidates[static_cast<std::size_t>(count++)] = note + d;
    return count > 0 ? candidates[static_cast<std::size_t>(source.below(count))]
                     : nearestInScale(note + kOctave, s.key, s.scale);
}

// The note in the scale an octave away: toward the home octave, either way from within it.
int octaveAway(int note, const LineSettings& s, RandomSource& source)
{
    const int fitted = nearestInScale(note, s.key, s.scale);
    const int root = homeRoot(s);
    bool up = fitted < root || (fitted < root + kOctave && source.below(2) == 0);
    if (up && fitted + kOctave > kMaxStepNote)
        up = false;
    else if (!up && fitted - kOctave < 1)
        up = true;
    return up ? fitted + kOctave : fitted - kOctave;
}

void mutateStep(Step& step, const LineSettings& s, RandomSource& source)
{
    const int note = step.note();
    if (note < 1 || note > kMaxStepNote)
    {
        step.setNote(newNote(s, source));
        step.setAccent(drawn(source, s.accentPercent));
        step.setSlide(drawn(source, s.slidePercent));
        return;
    }
    int kind = source.below(100);
    if ((kind -= kOtherNotePercent) < 0)
        step.setNote(neighbourOf(note, s, source));
    else if ((kind -= kOctavePercent) < 0)
        step.setNote(octaveAway(note, s, source));
    else if ((kind -= kRestPercent) < 0)
    {
        step.setNote(0);
        step.setAccent(false);
        step.setSlide(false);
    }
    else if ((kind -= kAccentFlipPercent) < 0)
        step.setAccent(!step.accent());
    else
        step.setSlide(!step.slide());
}
} // namespace

LineSettings heldInRange(LineSettings s)
{
    s.key = std::min<std::uint8_t>(s.key, kKeys - 1);
    if (static_cast<int>(s.scale) >= kScales)
        s.scale = LineSettings{}.scale;
    s.mutatePercent = std::clamp<std::uint8_t>(s.mutatePercent, kMinMutatePercent, 100);
    s.restPercent = std::min<std::uint8_t>(s.restPercent, 100);
    s.accentPercent = std::min<std::uint8_t>(s.accentPercent, 100);
    s.slidePercent = std::min<std::uint8_t>(s.slidePercent, 100);
    return s;
}

void generateLine(Pattern& p, const LineSettings& settings, RandomSource& source)
{
    const LineSettings s = heldInRange(settings);
    const Pattern::Edit edit(p);
    for (int i = 0; i < p.getNBStep(); ++i)
    {
        // Every value is drawn for every step, so the densities do not shift each other's draws.
        const bool rest = drawn(source, s.restPercent);
        const int note = newNote(s, source);
        const bool accent = drawn(source, s.accentPercent);
        const bool slide = drawn(source, s.slidePercent);
        Step& step = *p.getStepAnyIndex(i);
        step.setNote(rest ? 0 : note);
        step.setAccent(!rest && accent);
        step.setSlide(!rest && slide);
    }
}

int mutatedSteps(int count, int percent)
{
    if (count <= 0)
        return 0;
    const int share = std::clamp(percent, kMinMutatePercent, 100);
    return std::clamp((count * share + 50) / 100, 1, count);
}

void mutateLine(Pattern& p, const LineSettings& settings, RandomSource& source)
{
    const LineSettings s = heldInRange(settings);
    const int count = p.getNBStep();
    const int changes = mutatedSteps(count, s.mutatePercent);
    std::array<int, kStepsPerPattern> order{};
    std::iota(order.begin(), order.end(), 0);
    const Pattern::Edit edit(p);
    // The first `changes` places of a shuffle: that many different steps.
    for (int k = 0; k < changes; ++k)
    {
        const int pick = k + source.below(count - k);
        std::swap(order[static_cast<std::size_t>(k)], order[static_cast<std::size_t>(pick)]);
        mutateStep(*p.getStepAnyIndex(order[static_cast<std::size_t>(k)]), s, source);
    }
}

void fitToKey(Pattern& p, int key, Scale scale)
{
    const Pattern::Edit edit(p);
    for (int i = 0; i < p.getNBStep(); ++i)
    {
        Step& step = *p.getStepAnyIndex(i);
        if (step.note() != 0)
            step.setNote(nearestInScale(step.note(), key, scale));
    }
}

} // namespace quelvar
