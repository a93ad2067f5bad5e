// The sessions every format plays, through Quelvar.clap in the CLAP test host fed as a CLAP host
// feeds a plugin (the transport at every block start, changes inside a block as transport events
// at their frames, controls as parameter values), against the VST 2 plugin: audio and MIDI out
// the same, sample for sample and note for note.
#include "clap/clapParameters.h"
#include "support/ClapTestHost.h"
#include "support/sessions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

using namespace quelvar;
using namespace quelvar::clap;

namespace
{
Played playClap(const Session& session)
{
    ClapTestHost host(QUELVAR_CLAP_PATH);
    const int announced = session.announcedBlock > 0 ? session.announcedBlock : 1024;
    if (!host.loaded() || !host.create() ||
        !host.activate(session.rate, static_cast<std::uint32_t>(announced)))
        throw std::runtime_error("Quelvar.clap did not load");
    Played p;
    double beats = 0.0;
    bool playing = false;
    const double beatsPerFrame = session.tempo / 60.0 / session.rate;
    for (const SessionBlock& block : session.blocks)
    {
        for (const auto& [symbol, value] : block.controls)
        {
            const ControlPort& port = portNamed(symbol);
            host.queueParameter(0, static_cast<clap_id>(port.slot),
                                toClapValue(port, toSlotValue(port, value)));
        }
        host.transport = ClapTestHost::transportAt(beats, session.tempo, playing);
        // As the VST 2 reference cuts its blocks: a change strictly inside the block where it
        // is, any other where the block has got to.
        int at = 0;
        for (const SessionEvent& e : block.events)
        {
            if (e.isMidi)
            {
                host.queueMidi(
                    static_cast<std::uint32_t>(std::min(e.frame, std::max(block.frames - 1, 0))),
                    e.midi[0], e.midi[1], e.midi[2]);
                continue;
            }
            if (e.frame > at && e.frame < block.frames)
                at = e.frame;
            beats = e.beats;
            playing = e.playing;
            const clap_event_transport moved =
                ClapTestHost::transportAt(beats, session.tempo, playing);
            if (at == 0)
                host.transport = moved;
            else
                host.queueTransport(static_cast<std::uint32_t>(at), moved);
        }
        // Where the host is at the next block: the last change led on to the block's end.
        if (playing)
            beats += (block.frames - at) * beatsPerFrame;
        const std::size_t start = p.left.size();
        p.left.resize(start + static_cast<std::size_t>(block.frames));
        p.right.resize(start + static_cast<std::size_t>(block.frames));
        if (host.process(p.left.data() + start, p.right.data() + start,
                         static_cast<std::uint32_t>(block.frames)) != CLAP_PROCESS_CONTINUE)
            throw std::runtime_error("a block was refused");
    }
    if (!host.faults.empty())
        throw std::runtime_error(host.faults.front());
    for (const ClapTestHost::SentEvent& e : host.sent)
        if (e.type == CLAP_EVENT_MIDI)
            p.midi.push_back({e.frame, e.midi});
    return p;
}

class ClapMatchesVst : public testing::TestWithParam<SessionCase>
{
};

std::vector<SessionCase> clapSessions()
{
    std::vector<SessionCase> cases = sessionCases();
    cases.push_back({"liveNoteInBlocksOfOne", [] { return liveNoteSession(1, 11062); }});
    cases.push_back({"liveNoteInRandomBlocks", [] { return liveNoteSession(0, 11062); }});
    return cases;
}
} // namespace

TEST_P(ClapMatchesVst, SampleForSampleAndNoteForNote)
{
    const Session s = GetParam().make();
    const Played clap = playClap(s);
    const Played vst = playVst(s);
    ASSERT_EQ(clap.left.size(), vst.left.size());
    EXPECT_GT(*std::max_element(clap.left.begin(), clap.left.end()), 0.01f);
    EXPECT_TRUE(clap.left == vst.left);
    EXPECT_TRUE(clap.right == vst.right);
    EXPECT_EQ(clap.midi, vst.midi);
}

INSTANTIATE_TEST_SUITE_P(Sessions, ClapMatchesVst, testing::ValuesIn(clapSessions()),
                         [](const testing::TestParamInfo<SessionCase>& info)
                         { return std::string(info.param.name); });
