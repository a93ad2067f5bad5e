#include "lv2/lv2Sessions.h"

#include "lv2/lv2Uris.h"

#include <algorithm>
#include <stdexcept>

namespace quelvar
{

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

} // namespace quelvar
