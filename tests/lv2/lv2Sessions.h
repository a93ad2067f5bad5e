// One session (blocks, host transport, MIDI, control changes) played through the LV2 bundle in
// the lilv host and through the VST plugin in the VST test host, fed the same way a host of each
// kind would: what the adapter adds or loses shows as a difference between the two.
#pragma once

#include "lv2/controlPorts.h"
#include "support/Lv2TestHost.h"
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
    // Control ports set before the block, by symbol, in port units.
    std::vector<std::pair<std::string, float>> controls;
};

struct Session
{
    double rate = 44100.0;
    int announcedBlock = 512; // 0: the LV2 host announces no block length
    double tempo = 120.0;
    bool positionEveryBlock = false; // as some LV2 hosts send it
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

Played playLv2(const Session& session);
Played playVst(const Session& session);
// The same in hosts the caller keeps, to look at their state afterwards. The LV2 host must have
// been made for the session's rate and block length; the VST host is started here.
Played playLv2In(Lv2TestHost& host, const Session& session);
Played playVstIn(VstHost& host, const Session& session);

const ControlPort& portNamed(const std::string& symbol);
// The pitch the voice sounds for a MIDI note (48: 65.4 Hz).
double voiceFrequency(int midiNote);

} // namespace quelvar
