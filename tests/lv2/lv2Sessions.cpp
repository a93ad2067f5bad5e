#include "lv2/lv2Sessions.h"

#include "lv2/lv2Uris.h"

#include <algorithm>
#include <cmath>
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

Played playLv2In(Lv2TestHost& host, const Session& session)
{
    Played p;
    host.setTempo(session.tempo);
    host.sendPositionEveryBlock = session.positionEveryBlock;
    host.positionTicksPerBeat = session.positionTicksPerBeat;
    host.received.clear();
    std::vector<float> left, right;
    for (const SessionBlock& block : session.blocks)
    {
        for (const auto& [symbol, value] : block.controls)
            host.setControl(symbol, value);
        for (const SessionEvent& e : block.events)
        {
            if (e.isMidi)
                host.queueMidi(e.frame, e.midi[0], e.midi[1], e.midi[2]);
            else
                host.queuePosition(e.frame, e.beats, e.playing);
        }
        left.assign(static_cast<std::size_t>(block.frames), 0.0f);
        right.assign(static_cast<std::size_t>(block.frames), 0.0f);
        host.process(left.data(), right.data(), block.frames);
        p.left.insert(p.left.end(), left.begin(), left.end());
        p.right.insert(p.right.end(), right.begin(), right.end());
    }
    for (const Lv2ReceivedMidi& m : host.received)
        p.midi.push_back({m.absolute, m.bytes});
    return p;
}

Played playLv2(const Session& session)
{
    Lv2TestHost host(QUELVAR_LV2_PATH, kLv2PluginUri, session.rate,
                     std::max(session.announcedBlock, 1), session.announcedBlock > 0);
    if (!host.loaded())
        throw std::runtime_error("the LV2 bundle did not load");
    return playLv2In(host, session);
}

Played playVst(const Session& session)
{
    VstHost host(QUELVAR_PLUGIN_PATH);
    if (!host.loaded())
        throw std::runtime_error("the VST plugin did not load");
    return playVstIn(host, session);
}

// A VST host reports a position change at a block start; a change inside an LV2 block is a
// block boundary for it. A block of no frames is not rendered: what it carried waits for the
// next frame.
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

} // namespace quelvar
