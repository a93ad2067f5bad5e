#include "support/chainTimeline.h"

#include "engine/PalladonFiles.h"

#include <cmath>
#include <cstdlib>

namespace quelvar::chaintest
{

ChainSong sampleChain()
{
    ChainSong s;
    s.entries = {3, 8, 3, 41};
    s.patterns = {3, 8, 41};
    s.notes = {{1, 2, 3, 4, 5}, {11, 12, 13}, {21, 22, 23, 24, 25, 26, 27}};
    return s;
}

void ChainSong::applyTo(Palladon& engine) const
{
    for (std::size_t i = 0; i < patterns.size(); ++i)
    {
        Pattern& p = *engine.getSong().getPattern(patterns[i]);
        p.setNBStep(static_cast<int>(notes[i].size()));
        for (std::size_t s = 0; s < notes[i].size(); ++s)
        {
            p.setStepNote(notes[i][s], static_cast<int>(s));
            p.setStepSlide(false, static_cast<int>(s));
            p.setStepAccent(s == 0, static_cast<int>(s));
        }
    }
    ChainEntries chain;
    for (int e : entries)
        chain.append(e);
    engine.setChain(chain);
    engine.setParameter(kChainPlay, 1.0f);
    engine.refreshAfterLoad();
}

std::vector<std::uint8_t> ChainSong::chunk() const
{
    Palladon engine(nullptr, Flavour::plugin);
    applyTo(engine);
    return getChunkBytes(engine);
}

namespace
{
const std::vector<int>& notesOf(const ChainSong& s, int pattern)
{
    for (std::size_t i = 0; i < s.patterns.size(); ++i)
        if (s.patterns[i] == pattern)
            return s.notes[i];
    std::abort();
}
} // namespace

int ChainSong::stepsPerPass() const
{
    int steps = 0;
    for (int e : entries)
        steps += static_cast<int>(notesOf(*this, e).size());
    return steps;
}

int ChainSong::noteAt(long long step) const
{
    const long long pass = stepsPerPass();
    long long within = ((step % pass) + pass) % pass;
    for (int e : entries)
    {
        const std::vector<int>& n = notesOf(*this, e);
        if (within < static_cast<long long>(n.size()))
            return n[static_cast<std::size_t>(within)];
        within -= static_cast<long long>(n.size());
    }
    std::abort();
}

void addNoteOn(std::vector<Onset>& onsets, long long frame, int status, int key, int velocity)
{
    if ((status & 0xF0) == 0x90 && velocity > 0)
        onsets.push_back({frame, key});
}

std::vector<std::string> compareOnsets(const ChainSong& song, const std::vector<Placement>& placed,
                                       long long endFrame, double samplesPerBeat,
                                       const std::vector<Onset>& onsets)
{
    std::vector<Onset> expected;
    for (std::size_t i = 0; i < placed.size(); ++i)
    {
        const long long from = placed[i].frame;
        const long long to = i + 1 < placed.size() ? placed[i + 1].frame : endFrame;
        const double beats = placed[i].beats;
        // The step that holds the position starts at once.
        auto step = static_cast<long long>(std::floor(beats / kStepBeats + 1e-9));
        expected.push_back({from, song.noteAt(step) + kMidiNoteOffset});
        for (++step;; ++step)
        {
            const double exact = from + (step * kStepBeats - beats) * samplesPerBeat;
            const auto frame = static_cast<long long>(std::ceil(exact - 1e-6));
            if (frame >= to)
                break;
            expected.push_back({frame, song.noteAt(step) + kMidiNoteOffset});
        }
    }
    std::vector<Onset> actual;
    for (const Onset& o : onsets)
        if (o.frame >= placed.front().frame && o.frame < endFrame)
            actual.push_back(o);

    std::vector<std::string> differences;
    const std::size_t n = std::max(expected.size(), actual.size());
    for (std::size_t i = 0; i < n && differences.size() < 8; ++i)
    {
        const bool have = i < actual.size();
        const bool want = i < expected.size();
        if (have && want && actual[i].key == expected[i].key &&
            std::llabs(actual[i].frame - expected[i].frame) <= 1)
            continue;
        differences.push_back(
            "onset " + std::to_string(i) + ": expected " +
            (want ? "key " + std::to_string(expected[i].key) + " at " +
                        std::to_string(expected[i].frame)
                  : std::string("none")) +
            ", got " +
            (have ? "key " + std::to_string(actual[i].key) + " at " +
                        std::to_string(actual[i].frame)
                  : std::string("none")));
    }
    return differences;
}

} // namespace quelvar::chaintest
