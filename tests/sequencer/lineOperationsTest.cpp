#include "sequencer/lineOperations.h"
#include "sequencer/noteNames.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <string>
#include <vector>

using namespace quelvar;

namespace
{
struct Fields
{
    int note;
    bool slide;
    bool accent;
    bool operator==(const Fields&) const = default;
};

std::vector<Fields> fieldsOf(const Pattern& p)
{
    std::vector<Fields> f;
    for (int i = 0; i < kStepsPerPattern; ++i)
    {
        const Step& s = *p.getStepAnyIndex(i);
        f.push_back({s.note(), s.slide(), s.accent()});
    }
    return f;
}

// Notes of every kind, rests among them, on all 64 steps; `count` of them visible.
Pattern varied(int count, unsigned seed)
{
    Pattern p(kStepsPerPattern);
    std::srand(seed);
    for (int i = 0; i < kStepsPerPattern; ++i)
    {
        p.setStepNote(std::rand() % 5 == 0 ? 0 : 1 + std::rand() % kMaxStepNote, i);
        p.setStepSlide(std::rand() % 3 == 0, i);
        p.setStepAccent(std::rand() % 4 == 0, i);
    }
    p.setNBStep(count);
    return p;
}

LineSettings inKey(int key, Scale scale)
{
    LineSettings s;
    s.key = static_cast<std::uint8_t>(key);
    s.scale = scale;
    return s;
}

std::string pitchClasses(int key, Scale scale)
{
    std::string names;
    for (int note = 1; note <= 12; ++note)
        if (inScale(note, key, scale))
            names += std::string(names.empty() ? "" : " ") + kNoteNames[pitchClassOf(note)];
    return names;
}

class EveryScale : public testing::TestWithParam<int>
{
protected:
    Scale scale() const { return static_cast<Scale>(GetParam()); }
};
} // namespace

TEST(Scales, HoldTheirNotesInAnyKey)
{
    struct Case
    {
        int key;
        Scale scale;
        const char* notes;
    };
    for (const Case& c : {Case{0, Scale::major, "C D E F G A B"},
                          Case{9, Scale::naturalMinor, "C D E F G A B"},
                          Case{9, Scale::harmonicMinor, "C D E F G# A B"},
                          Case{2, Scale::dorian, "C D E F G A B"},
                          Case{4, Scale::phrygian, "C D E F G A B"},
                          Case{7, Scale::mixolydian, "C D E F G A B"},
                          Case{5, Scale::lydian, "C D E F G A B"},
                          Case{11, Scale::locrian, "C D E F G A B"},
                          Case{9, Scale::minorPentatonic, "C D E G A"},
                          Case{0, Scale::majorPentatonic, "C D E G A"},
                          Case{9, Scale::blues, "C D D# E G A"},
                          Case{4, Scale::phrygianDominant, "C D E F G# A B"},
                          Case{3, Scale::chromatic, "C C# D D# E F F# G G# A A# B"}})
        EXPECT_EQ(pitchClasses(c.key, c.scale), c.notes) << scaleName(c.scale) << " on " << c.key;
    EXPECT_FALSE(inScale(0, 0, Scale::chromatic)) << "a rest is no note";
    EXPECT_FALSE(inScale(61, 0, Scale::chromatic));
}

// Against every note of the scale: the nearest, the lower of two, always within 1–60; a note of
// the scale stays.
TEST_P(EveryScale, NearestNoteIsTheClosestAndTiesGoDown)
{
    for (int key = 0; key < kKeys; ++key)
        for (int note = -3; note <= kMaxStepNote + 3; ++note)
        {
            const int held = std::clamp(note, 1, kMaxStepNote);
            int best = -1;
            for (int n = 1; n <= kMaxStepNote; ++n)
                if (inScale(n, key, scale()) &&
                    (best < 0 || std::abs(n - held) < std::abs(best - held)))
                    best = n;
            const int nearest = nearestInScale(note, key, scale());
            EXPECT_EQ(nearest, best) << "note " << note << " key " << key;
            EXPECT_EQ(nearestInScale(nearest, key, scale()), nearest);
        }
}

TEST_P(EveryScale, GeneratedLinesLieInTheScaleOnTheVisibleSteps)
{
    for (int key = 0; key < kKeys; ++key)
        for (unsigned seed = 0; seed < 20; ++seed)
        {
            Pattern p = varied(13 + static_cast<int>(seed), seed);
            const std::vector<Fields> before = fieldsOf(p);
            RandomSource source(seed);
            generateLine(p, inKey(key, scale()), source);
            const std::vector<Fields> after = fieldsOf(p);
            EXPECT_EQ(p.getNBStep(), 13 + static_cast<int>(seed));
            for (int i = 0; i < kStepsPerPattern; ++i)
            {
                const Fields& f = after[static_cast<std::size_t>(i)];
                if (i >= p.getNBStep())
                    EXPECT_EQ(f, before[static_cast<std::size_t>(i)]) << "hidden step " << i;
                else if (f.note == 0)
                    EXPECT_FALSE(f.slide || f.accent) << "a rest at " << i;
                else
                    EXPECT_TRUE(inScale(f.note, key, scale())) << f.note << " at " << i;
            }
        }
}

TEST_P(EveryScale, MutatedNotesLieInTheScale)
{
    for (int key = 0; key < kKeys; ++key)
        for (unsigned seed = 0; seed < 20; ++seed)
        {
            Pattern p = varied(16, seed);
            const std::vector<Fields> before = fieldsOf(p);
            RandomSource source(seed);
            LineSettings s = inKey(key, scale());
            s.mutatePercent = 100;
            mutateLine(p, s, source);
            const std::vector<Fields> after = fieldsOf(p);
            for (int i = 0; i < 16; ++i)
            {
                const Fields& f = after[static_cast<std::size_t>(i)];
                if (f.note != before[static_cast<std::size_t>(i)].note && f.note != 0)
                {
                    EXPECT_TRUE(inScale(f.note, key, scale())) << f.note << " at " << i;
                }
            }
        }
}

INSTANTIATE_TEST_SUITE_P(Lines, EveryScale, testing::Range(0, kScales),
                         [](const auto& info)
                         {
                             std::string name = scaleName(static_cast<Scale>(info.param));
                             std::erase(name, ' ');
                             return name;
                         });

namespace
{
struct Densities
{
    int rests;
    int accents;
    int slides;
};

class GeneratedShares : public testing::TestWithParam<Densities>
{
};
} // namespace

// Over many seeds the shares come within two points of the chosen ones: rests of the steps,
// accents and slides of the notes.
TEST_P(GeneratedShares, FollowTheChosenDensities)
{
    const Densities d = GetParam();
    LineSettings s = inKey(5, Scale::dorian);
    s.restPercent = static_cast<std::uint8_t>(d.rests);
    s.accentPercent = static_cast<std::uint8_t>(d.accents);
    s.slidePercent = static_cast<std::uint8_t>(d.slides);
    int steps = 0, rests = 0, notes = 0, accents = 0, slides = 0;
    for (unsigned seed = 1; seed <= 400; ++seed)
    {
        Pattern p(kStepsPerPattern);
        RandomSource source(seed);
        generateLine(p, s, source);
        for (const Fields& f : fieldsOf(p))
        {
            ++steps;
            rests += f.note == 0;
            notes += f.note != 0;
            accents += f.note != 0 && f.accent;
            slides += f.note != 0 && f.slide;
        }
    }
    EXPECT_NEAR(100.0 * rests / steps, d.rests, 2.0);
    if (notes > 0)
    {
        EXPECT_NEAR(100.0 * accents / notes, d.accents, 2.0);
        EXPECT_NEAR(100.0 * slides / notes, d.slides, 2.0);
    }
}

INSTANTIATE_TEST_SUITE_P(Lines, GeneratedShares,
                         testing::Values(Densities{0, 0, 0}, Densities{20, 25, 20},
                                         Densities{50, 10, 90}, Densities{100, 50, 50},
                                         Densities{5, 100, 100}),
                         [](const auto& info)
                         {
                             const Densities& d = info.param;
                             return "rests" + std::to_string(d.rests) + "_accents" +
                                    std::to_string(d.accents) + "_slides" +
                                    std::to_string(d.slides);
                         });

namespace
{
class MutatedShare : public testing::TestWithParam<std::tuple<int, int>>
{
};
} // namespace

// Exactly the chosen share of the visible steps changes, each of the five ways happens, and
// nothing else does.
TEST_P(MutatedShare, IsExactlyTheChosenShareOfTheVisibleSteps)
{
    const auto [length, percent] = GetParam();
    const int expected = mutatedSteps(length, percent);
    EXPECT_EQ(expected, std::max(1, std::min(length, (length * percent + 50) / 100)));
    std::array<int, 5> ways{}; // another note, octave, rest, accent, slide (a rest made a note)
    LineSettings s = inKey(9, Scale::minorPentatonic);
    s.mutatePercent = static_cast<std::uint8_t>(percent);
    for (unsigned seed = 0; seed < 100; ++seed)
    {
        Pattern p = varied(length, seed);
        const std::vector<Fields> before = fieldsOf(p);
        RandomSource source(seed);
        mutateLine(p, s, source);
        const std::vector<Fields> after = fieldsOf(p);
        ASSERT_EQ(p.getNBStep(), length);
        int changed = 0;
        for (int i = 0; i < kStepsPerPattern; ++i)
        {
            const Fields& a = before[static_cast<std::size_t>(i)];
            const Fields& b = after[static_cast<std::size_t>(i)];
            if (a == b)
                continue;
            ASSERT_LT(i, length) << "hidden step " << i << " changed";
            ++changed;
            if (b.note == 0)
                ++ways[2];
            else if (a.note != b.note && a.note != 0 && std::abs(a.note - b.note) >= 8)
                ++ways[1];
            else if (a.note != b.note)
                ++ways[0];
            else if (a.accent != b.accent)
                ++ways[3];
            else
                ++ways[4];
        }
        EXPECT_EQ(changed, expected) << "seed " << seed;
    }
    if (length * percent < 1600)
        return;
    for (std::size_t w = 0; w < ways.size(); ++w)
        EXPECT_GT(ways[w], 0) << "way " << w << " never happened";
}

INSTANTIATE_TEST_SUITE_P(Lines, MutatedShare,
                         testing::Combine(testing::Values(1, 7, 16, 64),
                                          testing::Values(10, 25, 50, 100)),
                         [](const auto& info)
                         {
                             return "length" + std::to_string(std::get<0>(info.param)) +
                                    "_percent" + std::to_string(std::get<1>(info.param));
                         });

TEST(LineOperations, FitToKeyMovesVisibleNotesTheLeastAndOnlyThem)
{
    Pattern p(kStepsPerPattern);
    for (int i = 0; i < kStepsPerPattern; ++i)
    {
        p.setStepNote(i <= kMaxStepNote ? i : 7, i);
        p.setStepSlide(i % 3 == 0, i);
        p.setStepAccent(i % 5 == 0, i);
    }
    p.setNBStep(62);
    const std::vector<Fields> before = fieldsOf(p);
    fitToKey(p, 2, Scale::harmonicMinor);
    const std::vector<Fields> fitted = fieldsOf(p);
    for (int i = 0; i < kStepsPerPattern; ++i)
    {
        const Fields& a = before[static_cast<std::size_t>(i)];
        const Fields& b = fitted[static_cast<std::size_t>(i)];
        EXPECT_EQ(b.slide, a.slide);
        EXPECT_EQ(b.accent, a.accent);
        if (i >= 62 || a.note == 0)
            EXPECT_EQ(b.note, a.note) << "step " << i;
        else
            EXPECT_EQ(b.note, nearestInScale(a.note, 2, Scale::harmonicMinor)) << "step " << i;
    }
    fitToKey(p, 2, Scale::harmonicMinor);
    EXPECT_EQ(fieldsOf(p), fitted) << "fitting twice changes nothing more";
}

TEST(LineOperations, TheSameSeedGivesTheSameLine)
{
    const LineSettings s = inKey(7, Scale::blues);
    const auto made = [&s](unsigned seed, bool mutate)
    {
        Pattern p = varied(32, 99);
        RandomSource source(seed);
        if (mutate)
            mutateLine(p, s, source);
        else
            generateLine(p, s, source);
        return fieldsOf(p);
    };
    int differing = 0;
    for (unsigned seed = 0; seed < 50; ++seed)
        for (const bool mutate : {false, true})
        {
            EXPECT_EQ(made(seed, mutate), made(seed, mutate));
            differing += made(seed, mutate) != made(seed + 1, mutate);
        }
    EXPECT_GE(differing, 98) << "neighbouring seeds make different lines";
}

TEST(LineOperations, SettingsAreHeldInRange)
{
    LineSettings wild;
    wild.key = 200;
    wild.scale = static_cast<Scale>(kScales);
    wild.mutatePercent = 0;
    wild.restPercent = 255;
    wild.accentPercent = 101;
    wild.slidePercent = 100;
    const LineSettings held = heldInRange(wild);
    EXPECT_EQ(held.key, 11);
    EXPECT_EQ(held.scale, LineSettings{}.scale);
    EXPECT_EQ(held.mutatePercent, kMinMutatePercent);
    EXPECT_EQ(held.restPercent, 100);
    EXPECT_EQ(held.accentPercent, 100);
    EXPECT_EQ(held.slidePercent, 100);
    EXPECT_EQ(heldInRange(LineSettings{}), LineSettings{});
}
