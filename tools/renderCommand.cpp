#include "renderCommand.h"

#include "SmfReader.h"
#include "io/wavFile.h"
#include "io/fileBytes.h"
#include "midiOutFile.h"
#include "midiSchedule.h"
#include "pluginState.h"
#include "engine/Palladon.h"
#include "engine/parameterTable.h"
#include "sequencer/Transport.h"
#include "tools/vsthost/VstHost.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace quelvar
{

namespace
{
constexpr double kMidiTailSeconds = 1.0;
constexpr double kDefaultBars = 4.0;
// Sizes in a WAV header are 32-bit: its 58 header bytes and 8 bytes per stereo frame.
constexpr std::int64_t kMaxWavFrames = (0xFFFFFFFFLL - 58) / 8;
// Quieter than this, a render is silence: far below any note, above the voice's own noise floor.
constexpr float kSilencePeak = 1e-5f;

int fail(const std::string& message, int status = kExitFailed)
{
    std::fprintf(stderr, "quelvar-render: %s\n", message.c_str());
    return status;
}

// Slot per --param, in command-line order, or an empty list with a message.
bool resolveParams(VstHost& host, const std::vector<ParamArg>& params, std::vector<int>& slots,
                   std::string& error)
{
    std::vector<std::string> names;
    for (int i = 0; i < host.plugin()->numParams; ++i)
        names.push_back(host.parameterName(i));
    for (const ParamArg& p : params)
    {
        const int slot = resolveParam(p.target, names, error);
        if (slot < 0)
            return false;
        slots.push_back(slot);
    }
    return true;
}

// The slots a host sees as "invalid" are set by index; their meaning goes beside the name.
void listParams(VstHost& host)
{
    const char* const unnamed[] = {"sync type", "tempo", "step record"};
    for (int i = 0; i < host.plugin()->numParams; ++i)
    {
        const std::string name = host.parameterName(i);
        const int extra = i - kNumNamedParams;
        if (extra >= 0 && extra < 3)
            std::printf("%2d  %s (%s)\n", i, name.c_str(), unnamed[extra]);
        else
            std::printf("%2d  %s\n", i, name.c_str());
    }
}

// chainBeats: a pass of the chain when it plays, else 0.
double renderSeconds(const RenderOptions& o, double tempo, const MidiSequence* midi,
                     double chainBeats)
{
    if (o.seconds > 0.0)
        return o.seconds;
    if (chainBeats > 0.0 && o.bars == 0.0)
        return std::max(o.passes, 1) * chainBeats * 60.0 / tempo;
    if (o.bars > 0.0 || !midi)
        return (o.bars > 0.0 ? o.bars : kDefaultBars) * 4.0 * 60.0 / tempo;
    return midi->lengthSeconds + kMidiTailSeconds;
}

void tell(const RenderOptions& o, const std::string& file, const std::vector<std::string>& said)
{
    if (!o.quiet)
        printNotices(file, said);
}

// The sequencer plays whatever sync mode the state holds: internal sync, which no host can
// start, and MIDI in sync with no MIDI to play are played in host sync, at the state's tempo
// unless --tempo was given. Empty, or what was done.
std::string playInHostSync(VstHost& host, const RenderOptions& o, double& tempo)
{
    const int mode = syncTypeOf(host.getParameter(kSyncType));
    if (mode == kHostSync || (mode == kMidiInSync && !o.midiIn.empty()))
        return {};
    if (!o.tempoGiven)
        tempo = tempoOfSlot(host.getParameter(kTempo));
    host.setParameter(kSyncType, 0.0f);
    char text[160];
    std::snprintf(text, sizeof text, "the state is in %s sync; played in host sync at %g BPM",
                  mode == kInternalSync ? "internal" : "MIDI in", tempo);
    return text;
}

// A note needs a moment to be heard.
constexpr double kAudibleAfterSeconds = 0.01;

bool noteOnBefore(const std::vector<TimedMidi>& events, double seconds)
{
    return std::any_of(events.begin(), events.end(),
                       [seconds](const TimedMidi& e)
                       {
                           return (e.bytes[0] & 0xF0) == 0x90 && e.bytes[2] != 0 &&
                                  e.seconds + kAudibleAfterSeconds < seconds;
                       });
}

bool isSilent(const std::vector<float>& samples)
{
    return std::all_of(samples.begin(), samples.end(),
                       [](float x) { return std::fabs(x) < kSilencePeak; });
}

// Notes are expected from the sequencer in host sync when its pattern (with a chain, the first
// entry's) holds one that starts within the render (odd steps may start late by the groove),
// and from the MIDI file in MIDI in sync.
bool notesExpected(VstHost& host, const MidiSequence& midi, double tempo, double seconds,
                   bool chain)
{
    const int mode = syncTypeOf(host.getParameter(kSyncType));
    if (mode == kMidiInSync)
        return noteOnBefore(midi.events, seconds);
    if (mode != kHostSync)
        return false;
    std::string error;
    const std::unique_ptr<Palladon> state = mirrorPluginState(host, error);
    const Pattern* p = state ? state->getCurrentPattern() : nullptr;
    if (state && chain)
        p = state->getSong().getPattern(state->getChain().pattern(0));
    for (int i = 0; p && i < p->getNBStep(); ++i)
    {
        if (p->getStep(i)->note() == 0)
            continue;
        const double beats = i * kStepBeats + (i % 2 != 0 ? kMaxGrooveBeats : 0.0);
        return beats * 60.0 / tempo + kAudibleAfterSeconds < seconds;
    }
    return false;
}

} // namespace

int runRender(const RenderOptions& o)
{
    const std::string pluginPath = o.plugin.empty() ? defaultPluginPath() : o.plugin;
    VstHost host(pluginPath);
    if (!host.loaded())
        return fail("cannot load " + pluginPath + ": " + host.error());

    if (o.listParams)
    {
        listParams(host);
        return 0;
    }
    std::string error;
    std::vector<int> slots;
    if (!resolveParams(host, o.params, slots, error))
        return fail(error, kExitBadArgument);

    MidiSequence midi;
    if (!o.midiIn.empty() && !readSmfFile(o.midiIn, midi, error))
        return fail(o.midiIn + ": " + error);

    host.setTempo(o.tempo);
    host.start(o.rate, o.block);
    std::vector<std::string> notices;
    if (!o.bank.empty() && !loadBank(host, o.bank, error, notices))
        return fail(error);
    tell(o, o.bank, notices);
    notices.clear();
    if (!o.pattern.empty() && !loadPattern(host, o.pattern, o.withParams, error, notices))
        return fail(error);
    tell(o, o.pattern, notices);
    double tempo = o.tempo;
    const std::string played = playInHostSync(host, o, tempo);
    if (!played.empty() && !o.quiet)
        std::fprintf(stderr, "quelvar-render: %s\n", played.c_str());
    for (std::size_t i = 0; i < slots.size(); ++i)
        host.setParameter(slots[i], o.params[i].value);
    if (syncTypeOf(host.getParameter(kSyncType)) == kInternalSync)
        return fail("--param 26: internal sync cannot be started by a host, so nothing would "
                    "play; give 0 (host sync) or 1 (MIDI in)",
                    kExitBadArgument);
    host.setTempo(tempo);
    const double chainBeats = o.chain ? playPluginChain(host, o.chainEntries, error) : 0.0;
    if (o.chain && chainBeats == 0.0)
        return fail(error, kExitBadArgument);

    const double seconds =
        renderSeconds(o, tempo, o.midiIn.empty() ? nullptr : &midi, chainBeats);
    if (o.renders() && seconds > kMaxRenderSeconds)
        return fail((o.midiIn.empty() ? "the render" : o.midiIn) +
                        " lasts longer than 3600 seconds; give --seconds",
                    kExitBadArgument);
    PatternWriteOptions write;
    write.tempoBpm = tempo;
    if (!o.exportMidi.empty() &&
        !(o.chain ? exportPluginChain(host, o.exportMidi, tempo, error)
                  : exportPluginPattern(host, o.exportMidi, write, error)))
        return fail(error);
    if (!o.renders())
        return 0;
    const bool expectNotes = notesExpected(host, midi, tempo, seconds, o.chain);

    const auto frames = static_cast<std::int64_t>(std::llround(seconds * o.rate));
    if (!o.out.empty() && frames > kMaxWavFrames)
        return fail("the render is too long for a WAV file at this rate", kExitBadArgument);
    std::vector<float> left(static_cast<std::size_t>(frames));
    std::vector<float> right(left.size());
    std::vector<std::int64_t> blockStarts;
    MidiFeed feed(framesOf(midi.events, o.rate));
    host.play(0.0);
    for (std::int64_t done = 0; done < frames;)
    {
        const auto n = static_cast<int>(std::min<std::int64_t>(o.block, frames - done));
        feed.feedBlock(
            done, n,
            [&host](int offset, std::uint8_t status, std::uint8_t data1, std::uint8_t data2)
            { host.queueMidi(offset, status, data1, data2); });
        host.processBlock(left.data() + done, right.data() + done, n);
        blockStarts.push_back(done);
        done += n;
    }
    blockStarts.push_back(frames);

    if (!o.out.empty() && !writeWavFloat(o.out, left, right, o.rate))
        return fail(o.out + ": cannot write the file");
    // The sequencer's notes come back as MIDI in host sync.
    bool silent = !o.out.empty() && isSilent(left) && isSilent(right);
    if (!o.midiOut.empty())
    {
        const std::vector<FramedMidi> sent = framesOfReceived(host.received, blockStarts);
        const std::vector<std::uint8_t> bytes = midiOutFileBytes(sent, frames, o.rate, tempo);
        if (!writeFileBytes(o.midiOut, bytes.data(), bytes.size()))
            return fail(o.midiOut + ": cannot write the file");
        if (sent.empty())
            std::fprintf(stderr, "quelvar-render: the plugin sent no MIDI\n");
        silent = silent || (sent.empty() && syncTypeOf(host.getParameter(kSyncType)) == kHostSync);
    }
    if (silent && expectNotes && !o.allowSilence)
        return fail("the render is silent where notes were expected (check the volume and the "
                    "sync mode; --allow-silence accepts it)",
                    kExitSilent);
    return 0;
}

} // namespace quelvar
