// What every fuzz target shares: engines built once per process and put back into the same
// state before each input, so that a failing input reproduces on its own, and the invariants
// that no reader may break whatever it is given.
#pragma once

#include "engine/Palladon.h"
#include "engine/PalladonFiles.h"

#include <cstdio>
#include <cstdlib>

namespace quelvar::fuzz
{

// The standalone flavour publishes no shared block. Building an engine costs far more than
// an input, so each target keeps its engines and restores them from a chunk instead.
class FuzzEngine
{
public:
    FuzzEngine() : engine(nullptr, Flavour::standalone)
    {
        const std::vector<std::uint8_t> bytes = getChunkBytes(engine);
        initial = parseChunk(bytes.data(), bytes.size());
        initialSections = chunkSectionsOf(bytes.data(), bytes.size(), initial);
    }

    Palladon& reset()
    {
        applyChunk(engine, initial, initialSections);
        return engine;
    }

private:
    Palladon engine;
    ParsedChunk initial;
    ChunkSections initialSections;
};

[[noreturn]] inline void fail(const char* what, int a, int b)
{
    std::fprintf(stderr, "invariant broken: %s (%d, %d)\n", what, a, b);
    std::abort();
}

// The sequencer and the voice only ever see step counts within 0–64, notes within 0–60 and
// parameter values within 0–1; a slot's controller is one the engine maps.
inline void checkEngine(Palladon& engine)
{
    for (int p = 0; p < kPatternsPerSong; ++p)
    {
        const Pattern* pattern = engine.getSong().getPattern(p);
        if (pattern->getNBStep() < 0 || pattern->getNBStep() > kStepsPerPattern)
            fail("step count", p, pattern->getNBStep());
        for (int s = 0; s < kStepsPerPattern; ++s)
        {
            const int note = pattern->getStepAnyIndex(s)->note();
            if (note < 0 || note > kMaxStepNote)
                fail("note", p * 100 + s, note);
        }
    }
    for (int i = 0; i < kNumParams; ++i)
    {
        const float v = engine.getParameter(i);
        if (!(v >= 0.0f && v <= 1.0f))
            fail("parameter", i, static_cast<int>(v * 1000.0f));
        const int controller = engine.controllerOf(i);
        if (controller != kNoController && !ControllerMap::assignable(controller))
            fail("controller", i, controller);
    }
}

} // namespace quelvar::fuzz
