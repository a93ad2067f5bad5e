// A chain whose every step sends a note of its own, and the check that the MIDI a run sent is,
// onset by onset, what the timeline implies: from each place the run put the transport, the
// entry and step that position lies in starts at once, then each step on its beat. Tests only.
#pragma once

#include "engine/Palladon.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quelvar::chaintest
{

// Patterns 3 (5 steps), 8 (3 steps) and 41 (7 steps), chained 3 8 3 41: 20 steps, 5 beats a
// pass. No two steps in a row share a note, so every step sends a note-on.
struct ChainSong
{
    std::vector<int> entries;
    std::vector<int> patterns;            // each song pattern used, once
    std::vector<std::vector<int>> notes;  // its step notes, in the order of `patterns`

    // Writes the patterns and the chain, and switches chain play on.
    void applyTo(Palladon& engine) const;
    // The state chunk of a plugin engine holding them.
    std::vector<std::uint8_t> chunk() const;
    int stepsPerPass() const;
    // The step note the chain sounds at step `step` of the timeline (counted from position 0).
    int noteAt(long long step) const;
};

ChainSong sampleChain();

// From `frame` on, the transport stands at `beats` and moves on at the tempo.
struct Placement
{
    long long frame;
    double beats;
};

struct Onset
{
    long long frame;
    int key; // MIDI key
};

// The note-ons among raw messages, with their frames.
void addNoteOn(std::vector<Onset>& onsets, long long frame, int status, int key, int velocity);

// Differences between the onsets before `endFrame` and those the placements imply, one line
// each; empty when they agree. An onset may lie one frame from its exact place.
std::vector<std::string> compareOnsets(const ChainSong& song, const std::vector<Placement>& placed,
                                       long long endFrame, double samplesPerBeat,
                                       const std::vector<Onset>& onsets);

} // namespace quelvar::chaintest
