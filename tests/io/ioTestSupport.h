// Helpers shared by the io tests: pattern filling and comparison, and the test file helpers.
#pragma once

#include "engine/Palladon.h"
#include "support/testFiles.h"

#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace quelvar::iotest
{

using quelvar::readFile;
using quelvar::TempDir;
using quelvar::writeFile;

// Fills a pattern with varied steps from a seed: rests, notes 1–60, slides and accents.
inline void fillPattern(Pattern& p, int nbStep, unsigned seed)
{
    std::mt19937 rng(seed);
    p.setNBStep(nbStep);
    for (int i = 0; i < nbStep; ++i)
    {
        const int r = static_cast<int>(rng() % 64);
        p.setStepNote(r < 4 ? 0 : 1 + r % 60, i);
        p.setStepSlide(rng() % 3 == 0, i);
        p.setStepAccent(rng() % 4 == 0, i);
    }
}

inline void expectSameSteps(const Pattern& expected, const Pattern& actual)
{
    ASSERT_EQ(expected.getNBStep(), actual.getNBStep());
    for (int i = 0; i < expected.getNBStep(); ++i)
    {
        const Step& e = *expected.getStep(i);
        const Step& a = *actual.getStep(i);
        EXPECT_EQ(e.note(), a.note()) << "step " << i;
        EXPECT_EQ(e.slide(), a.slide()) << "step " << i;
        EXPECT_EQ(e.accent(), a.accent()) << "step " << i;
    }
}

inline std::vector<float> parametersOf(Palladon& engine)
{
    std::vector<float> values;
    for (int i = 0; i < kNumParams; ++i)
        values.push_back(engine.getParameter(i));
    return values;
}

inline const char* flavourName(Flavour f)
{
    return f == Flavour::plugin ? "plugin" : "standalone";
}

} // namespace quelvar::iotest
