// One session (blocks, host transport, MIDI, control changes) that every plugin format's tests
// play through their own adapter and compare with the VST 2 plugin played the same way: what an
// adapter adds or loses shows as a difference. The scenarios are here once, for every format.
#pragma once

#include "engine/controlPorts.h"
#include "tools/vsthost/VstHost.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace quelvar
{

struct SessionEvent
{
    int frame;
    bool isMidi;
    std::array<std::uint8_t, 3> midi;
    double beats; // a position: where the host's transport is from this frame on
    bool playing;
};

struct SessionBlock
{
    int frames;
    std::vector<SessionEvent> events; // in frame order
    // Controls set before the block, by port symbol, in port units.
    std::vector<std::pair<std::string, float>> controls;
};

struct Session
{
    double rate = 44100.0;
    int announcedBlock = 512; // 0: the host announces no block length
    double tempo = 120.0;
    bool positionEveryBlock = false; // as some hosts send it
    int positionTicksPerBeat = 0;    // rounding of the musical positions sent, 0 none
    std::vector<SessionBlock> blocks;
};

struct SentNote
{
    long long frame; // from the session's start
    std::array<std::uint8_t, 3> bytes;
    bool operator==(const SentNote&) const = default;
};

struct Played
{
    std::vector<float> left;
    std::vector<float> right;
    std::vector<SentNote> midi;
};

SessionEvent midiAt(int frame, std::uint8_t status, std::uint8_t data1, std::uint8_t data2);
SessionEvent positionAt(int frame, double beats, bool playing);
// Blocks of `frames` with the transport started at `beats` in the first one.
Session playingSession(double beats, int blocks, int frames);

// The VST 2 plugin, the reference every format is compared with. A host reports a position
// change at a block start, so a change inside a session's block is a block boundary for it; a
// block of no frames is not rendered, and what it carried waits for the next frame.
Played playVst(const Session& session);
// The same in a host the caller keeps, to look at its state afterwards; started here.
Played playVstIn(VstHost& host, const Session& session);

struct SessionCase
{
    const char* name;
    Session (*make)();
};

// The scenarios every format plays like the VST 2 plugin: odd, empty and oversized blocks,
// jumps, stops and starts mid-block, positions in every block, no announced block length, live
// notes in MIDI-in sync, every control moved, step recording, controls in the blocks that jump.
const std::vector<SessionCase>& sessionCases();

// MIDI-in sync with one note-on due at `noteFrame`, cut into blocks of `block` frames (0: random
// lengths), for the onset of a live note whatever the blocks.
Session liveNoteSession(int block, long long noteFrame);
// The first frame that sounds; -1 for none.
long long firstSoundingFrame(const Played& played);

const ControlPort& portNamed(const std::string& symbol);
// The pitch the voice sounds for a MIDI note (48: 65.4 Hz).
double voiceFrequency(int midiNote);

} // namespace quelvar
