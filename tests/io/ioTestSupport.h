// Helpers shared by the tests of the pattern and chunk formats (here and in tests/engine):
// pattern filling and comparison, chunk record offsets, and the test file helpers.
#pragma once

#include "io/patternFile.h"
#include "io/stateChunk.h"
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

// A .303 file of `nbStep` varied steps, the name and parameter values 0, 0.03, 0.06 …
inline std::vector<std::uint8_t> sampleFile(int nbStep, const std::string& name)
{
    Pattern p;
    fillPattern(p, nbStep, 7);
    p.setName(name);
    ParameterSnapshot params{};
    for (int i = 0; i < kStoredParams; ++i)
        params[i] = 0.03f * static_cast<float>(i);
    return encodePatternFile(p, params);
}

struct ExpectedStep
{
    int note;
    bool accent;
    bool slide;
};

inline void expectSteps(const Pattern& p, const std::vector<ExpectedStep>& steps)
{
    ASSERT_EQ(p.getNBStep(), static_cast<int>(steps.size()));
    for (int i = 0; i < p.getNBStep(); ++i)
    {
        EXPECT_EQ(p.getStep(i)->note(), steps[i].note) << "step " << i;
        EXPECT_EQ(p.getStep(i)->accent(), steps[i].accent) << "step " << i;
        EXPECT_EQ(p.getStep(i)->slide(), steps[i].slide) << "step " << i;
    }
}

// Offset of record r in a chunk written by encodeChunk.
inline std::size_t recordAt(const std::vector<std::uint8_t>& chunk, int r)
{
    std::size_t at = kChunkHeaderBytes;
    for (int i = 0; i < r; ++i)
        at += kChunkRecordBytes + 3 * chunk[at + 1];
    return at;
}

} // namespace quelvar::iotest
