#include "support/sessions.h"

#include <algorithm>
#include <cmath>
#include <random>
#include <stdexcept>

namespace quelvar
{

SessionEvent midiAt(int frame, std::uint8_t status, std::uint8_t data1, std::uint8_t data2)
{
    return {frame, true, {status, data1, data2}, 0.0, false};
}

SessionEvent positionAt(int frame, double beats, bool playing)
{
    return {frame, false, {}, beats, playing};
}

Session playingSession(double beats, int blocks, int frames)
{
    Session s;
    s.blocks.assign(static_cast<std::size_t>(blocks), SessionBlock{frames, {}, {}});
    s.blocks[0].events.push_back(positionAt(0, beats, true));
    return s;
}

const ControlPort& portNamed(const std::string& symbol)
{
    for (const ControlPort& p : controlPorts())
        if (symbol == p.symbol)
            return p;
    throw std::invalid_argument("no port " + symbol);
}

double voiceFrequency(int midiNote)
{
    return 440.0 * std::pow(2.0, (midiNote - 81) / 12.0);
}

Played playVst(const Session& session)
{
    VstHost host(QUELVAR_PLUGIN_PATH);
    if (!host.loaded())
        throw std::runtime_error("the VST plugin did not load");
    return playVstIn(host, session);
}

Played playVstIn(VstHost& host, const Session& session)
{
    Played p;
    host.start(session.rate, session.announcedBlock > 0 ? session.announcedBlock : 1024);
    host.setTempo(session.tempo);
    std::vector<long long> pieceStarts;

    auto renderPiece = [&](int frames)
    {
        pieceStarts.push_back(static_cast<long long>(p.left.size()));
        std::vector<float> left(static_cast<std::size_t>(frames));
        std::vector<float> right(static_cast<std::size_t>(frames));
        host.processBlock(left.data(), right.data(), frames);
        p.left.insert(p.left.end(), left.begin(), left.end());
        p.right.insert(p.right.end(), right.begin(), right.end());
    };

    for (const SessionBlock& block : session.blocks)
    {
        for (const auto& [symbol, value] : block.controls)
        {
            const ControlPort& port = portNamed(symbol);
            host.setParameter(port.slot, toSlotValue(port, value));
        }
        int at = 0;
        for (const SessionEvent& e : block.events)
        {
            if (!e.isMidi && e.frame > at && e.frame < block.frames)
            {
                renderPiece(e.frame - at);
                at = e.frame;
            }
            if (e.isMidi)
                host.queueMidi(std::min(e.frame, std::max(block.frames - 1, 0)) - at, e.midi[0],
                               e.midi[1], e.midi[2]);
            else if (!e.playing)
                host.stop();
            else if (host.playing())
                host.locate(e.beats);
            else
                host.play(e.beats);
        }
        if (block.frames > at)
            renderPiece(block.frames - at);
    }
    for (const ReceivedMidi& m : host.received)
        p.midi.push_back(
            {pieceStarts.at(static_cast<std::size_t>(m.block)) + m.deltaFrames, m.bytes});
    return p;
}

namespace
{
Session startsInsideThePattern()
{
    return playingSession(5.0, 120, 512);
}

// Blocks of every length the host may choose, none announced as larger than 4096 but one
// larger still; a loop back mid-block, a stop and a restart mid-block, positions in a block of
// no frames, and a pattern chosen by a MIDI note.
Session oddBlocksAndJumps()
{
    Session s;
    s.announcedBlock = 4096;
    s.tempo = 137.0;
    const int sizes[] = {1, 7, 333, 0, 4096, 9000, 64, 1000, 511, 2, 4095, 0, 1500, 257};
    for (int round = 0; round < 6; ++round)
        for (int frames : sizes)
            s.blocks.push_back({frames, {}, {}});
    s.blocks[0].events = {positionAt(0, 0.0, true)};
    s.blocks[2].events = {positionAt(100, 2.0, true)};
    s.blocks[3].events = {positionAt(0, 8.0, true), midiAt(0, 0x90, 1, 100)};
    s.blocks[8].events = {midiAt(200, 0x80, 1, 0), positionAt(300, 0.0, true)};
    s.blocks[16].events = {positionAt(30, 0.0, false)};
    s.blocks[21].events = {positionAt(700, 6.5, true)};
    s.blocks[33].events = {midiAt(5, 0x90, 0, 90), midiAt(9, 0x80, 0, 0),
                           positionAt(1200, 1.75, true)};
    return s;
}

// A host that sends where it is at every block start, its beats rounded to ticks: no
// relocation while the positions only confirm the sequencer's own count.
Session positionInEveryBlock()
{
    Session s = playingSession(3.0, 300, 441);
    s.tempo = 133.0;
    s.positionEveryBlock = true;
    s.positionTicksPerBeat = 1920;
    return s;
}

Session noBlockLengthAnnounced()
{
    Session s = playingSession(0.0, 60, 3000);
    s.announcedBlock = 0;
    return s;
}

Session liveNotes()
{
    Session s;
    s.blocks.assign(120, SessionBlock{480, {}, {}});
    s.blocks[0].controls = {{"sync_mode", 2.0f}};
    s.blocks[5].events = {midiAt(100, 0x90, 48, 100), midiAt(400, 0x90, 60, 30)};
    s.blocks[6].frames = 0;
    s.blocks[6].events = {midiAt(0, 0x80, 60, 0)};
    s.blocks[40].events = {midiAt(479, 0x80, 48, 0), midiAt(479, 0x90, 43, 127)};
    s.blocks[90].events = {midiAt(1, 0x80, 43, 0)};
    return s;
}

// Every kind of control moved while the sequencer plays.
Session controlsMoved()
{
    Session s = playingSession(0.0, 200, 512);
    s.blocks[10].controls = {{"cutoff", 40.0f},  {"resonance", 0.5f}, {"tuning", -3.0f},
                             {"waveform", 1.0f}, {"groove", 50.0f},   {"steps", 12.0f}};
    s.blocks[40].controls = {{"distortion", 1.0f},      {"distortion_type", 2.0f},
                             {"distortion_1", 70.0f},   {"delay", 1.0f},
                             {"delay_ping_pong", 1.0f}, {"delay_filter", -50.0f}};
    s.blocks[80].controls = {{"pattern_sync", 0.0f},
                             {"pattern", 3.0f},
                             {"volume", 0.5f},
                             {"delay_sync", 0.0f},
                             {"delay_time", 0.3f}};
    s.blocks[120].controls = {{"pattern", 1.0f},  {"slide_time", 0.8f}, {"gate", 0.9f},
                              {"accent", 100.0f}, {"env_mod", 80.0f},   {"decay", 20.0f}};
    s.blocks[160].controls = {{"sync_mode", 1.0f}, {"tempo", 150.0f}};
    s.blocks[170].controls = {{"sync_mode", 0.0f}};
    return s;
}

// A held key is written into the steps as they play.
Session stepRecording()
{
    Session s = playingSession(0.0, 200, 512);
    s.blocks[5].controls = {{"step_record", 1.0f}};
    s.blocks[20].events = {midiAt(10, 0x90, 60, 100)};
    s.blocks[60].events = {midiAt(10, 0x80, 60, 0)};
    return s;
}

// Controls moved in the blocks where the host jumps, stops and starts again mid-block.
Session controlsWithJumps()
{
    Session s = playingSession(0.0, 150, 512);
    s.blocks[30].controls = {{"cutoff", 60.0f}, {"delay", 1.0f}, {"delay_time", 0.2f}};
    s.blocks[30].events = {positionAt(200, 6.0, true)};
    s.blocks[60].controls = {{"distortion", 1.0f}, {"tempo", 150.0f}};
    s.blocks[60].events = {midiAt(0, 0x90, 2, 100), positionAt(300, 1.0, false)};
    s.blocks[61].controls = {{"waveform", 1.0f}};
    s.blocks[61].events = {positionAt(100, 3.5, true)};
    return s;
}
} // namespace

const std::vector<SessionCase>& sessionCases()
{
    static const std::vector<SessionCase> cases = {
        {"startsInsideThePattern", startsInsideThePattern},
        {"oddBlocksAndJumps", oddBlocksAndJumps},
        {"positionInEveryBlock", positionInEveryBlock},
        {"noBlockLengthAnnounced", noBlockLengthAnnounced},
        {"liveNotes", liveNotes},
        {"controlsMoved", controlsMoved},
        {"stepRecording", stepRecording},
        {"controlsWithJumps", controlsWithJumps}};
    return cases;
}

Session liveNoteSession(int block, long long noteFrame)
{
    Session s;
    s.announcedBlock = 4096;
    std::mt19937 rng(static_cast<unsigned>(block) + 17);
    for (long long at = 0; at < noteFrame + 5322;)
    {
        const int frames = block > 0 ? block : 1 + static_cast<int>(rng() % 3000);
        SessionBlock b{frames, {}, {}};
        if (at <= noteFrame && noteFrame < at + frames)
            b.events = {midiAt(static_cast<int>(noteFrame - at), 0x90, 48, 100)};
        s.blocks.push_back(b);
        at += frames;
    }
    s.blocks[0].controls = {{"sync_mode", 2.0f}};
    return s;
}

long long firstSoundingFrame(const Played& played)
{
    for (std::size_t i = 0; i < played.left.size(); ++i)
        if (played.left[i] != 0.0f)
            return static_cast<long long>(i);
    return -1;
}

} // namespace quelvar
