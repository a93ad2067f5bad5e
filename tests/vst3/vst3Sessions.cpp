#include "vst3/vst3Sessions.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace quelvar
{

using namespace vst3;

namespace
{
class Transport
{
public:
    Transport(const Session& s, ProcessContext& context) : session(s), context(context) {}

    void play(double at)
    {
        beats = at;
        playing = true;
    }
    void stop() { playing = false; }
    bool isPlaying() const { return playing; }
    double beatsIn(int frames) const
    {
        return beats + frames / session.rate * session.tempo / 60.0;
    }

    // The context of a block starting now; a cycle from `cycleEnd` back to `cycleStart` when
    // cycleStart is below it.
    void fill(double cycleStart = 0.0, double cycleEnd = -1.0)
    {
        context.tempo = session.tempo;
        double shown = beats;
        if (session.positionTicksPerBeat > 0)
            shown = std::round(beats * session.positionTicksPerBeat) / session.positionTicksPerBeat;
        context.projectTimeMusic = shown;
        context.projectTimeSamples =
            static_cast<TSamples>(std::llround(beats * 60.0 / session.tempo * session.rate));
        context.state = ProcessContext::kTempoValid | ProcessContext::kProjectTimeMusicValid |
                        (playing ? ProcessContext::kPlaying : 0u);
        if (cycleEnd > cycleStart)
        {
            context.state |= ProcessContext::kCycleActive | ProcessContext::kCycleValid;
            context.cycleStartMusic = cycleStart;
            context.cycleEndMusic = cycleEnd;
        }
    }

    void advance(int frames)
    {
        if (playing)
            beats = beatsIn(frames);
    }

private:
    const Session& session;
    ProcessContext& context;
    double beats = 0.0;
    bool playing = false;
};

void addNote(EventList& events, int offset, const std::array<std::uint8_t, 3>& m)
{
    Event e{};
    e.sampleOffset = offset;
    const auto channel = static_cast<int16>(m[0] & 0x0F);
    if ((m[0] & 0xF0) == 0x90 && m[2] > 0)
    {
        e.type = Event::kNoteOnEvent;
        e.noteOn = {channel, m[1], 0.0f, m[2] / 127.0f, 0, -1};
    }
    else if ((m[0] & 0xF0) == 0x80 || (m[0] & 0xF0) == 0x90)
    {
        e.type = Event::kNoteOffEvent;
        e.noteOff = {channel, m[1], m[2] / 127.0f, -1, 0.0f};
    }
    else
    {
        return;
    }
    events.addEvent(e);
}

std::array<std::uint8_t, 3> bytesOf(const Event& e)
{
    if (e.type == Event::kNoteOnEvent)
        return {static_cast<std::uint8_t>(0x90 | e.noteOn.channel),
                static_cast<std::uint8_t>(e.noteOn.pitch),
                static_cast<std::uint8_t>(std::lround(e.noteOn.velocity * 127.0f))};
    return {static_cast<std::uint8_t>(0x80 | e.noteOff.channel),
            static_cast<std::uint8_t>(e.noteOff.pitch),
            static_cast<std::uint8_t>(std::lround(e.noteOff.velocity * 127.0f))};
}
} // namespace

Played playVst3In(Vst3TestHost& host, const Session& session)
{
    Played p;
    if (!host.start(session.rate, session.announcedBlock > 0 ? session.announcedBlock : 1024))
        throw std::runtime_error("the VST 3 plugin did not start");
    Transport transport(session, host.context);

    auto render = [&](int frames, double cycleStart, double cycleEnd)
    {
        transport.fill(cycleStart, cycleEnd);
        const auto start = static_cast<long long>(p.left.size());
        std::vector<float> left(static_cast<std::size_t>(frames));
        std::vector<float> right(static_cast<std::size_t>(frames));
        host.process(left.data(), right.data(), frames);
        p.left.insert(p.left.end(), left.begin(), left.end());
        p.right.insert(p.right.end(), right.begin(), right.end());
        for (int i = 0; i < host.outputEvents.getEventCount(); ++i)
            p.midi.push_back(
                {start + host.outputEvents.at(i).sampleOffset, bytesOf(host.outputEvents.at(i))});
    };

    for (const SessionBlock& block : session.blocks)
    {
        for (const auto& [symbol, value] : block.controls)
        {
            const ControlPort& port = portNamed(symbol);
            host.inputChanges.add(static_cast<ParamID>(port.slot), 0, toSlotValue(port, value));
        }
        int at = 0;
        double cycleStart = 0.0;
        double cycleEnd = -1.0;
        int wrapAt = -1;
        for (const SessionEvent& e : block.events)
        {
            if (e.isMidi)
            {
                addNote(host.inputEvents, std::min(e.frame, std::max(block.frames - 1, 0)) - at,
                        e.midi);
                continue;
            }
            const int frame = std::min(e.frame, block.frames);
            const bool inside = frame > at && frame < block.frames;
            // A loop back while playing, once in a block: the cycle that wraps there.
            if (inside && e.playing && transport.isPlaying() && wrapAt < 0 &&
                e.beats < transport.beatsIn(frame - at))
            {
                cycleStart = e.beats;
                cycleEnd = transport.beatsIn(frame - at);
                wrapAt = frame;
                continue;
            }
            if (inside)
            {
                render(frame - at, 0.0, -1.0);
                transport.advance(frame - at);
                at = frame;
            }
            if (e.playing)
                transport.play(e.beats);
            else
                transport.stop();
        }
        if (block.frames > at || block.frames == 0)
        {
            render(block.frames - at, cycleStart, cycleEnd);
            if (wrapAt >= 0)
            {
                transport.play(cycleStart);
                transport.advance(block.frames - wrapAt);
            }
            else
            {
                transport.advance(block.frames - at);
            }
        }
    }
    return p;
}

Played playVst3(const Session& session)
{
    Vst3TestHost host(QUELVAR_VST3_BUNDLE);
    if (!host.loaded())
        throw std::runtime_error("the VST 3 bundle did not load: " + host.error());
    return playVst3In(host, session);
}

} // namespace quelvar
