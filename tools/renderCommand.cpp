#include "renderCommand.h"

#include "SmfReader.h"
#include "io/wavFile.h"
#include "io/fileBytes.h"
#include "midiOutFile.h"
#include "midiSchedule.h"
#include "pluginState.h"
#include "engine/parameterTable.h"
#include "tools/vsthost/VstHost.h"

#include <cmath>
#include <cstdio>

namespace quelvar
{

namespace
{
constexpr int kExitFailed = 1;
constexpr int kExitBadArgument = 2;
constexpr double kMidiTailSeconds = 1.0;
constexpr double kDefaultBars = 4.0;
// Sizes in a WAV header are 32-bit: its 58 header bytes and 8 bytes per stereo frame.
constexpr std::int64_t kMaxWavFrames = (0xFFFFFFFFLL - 58) / 8;

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

double renderSeconds(const RenderOptions& o, const MidiSequence* midi)
{
    if (o.seconds > 0.0)
        return o.seconds;
    if (o.bars > 0.0 || !midi)
        return (o.bars > 0.0 ? o.bars : kDefaultBars) * 4.0 * 60.0 / o.tempo;
    return midi->lengthSeconds + kMidiTailSeconds;
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
    const double seconds = renderSeconds(o, o.midiIn.empty() ? nullptr : &midi);
    if (o.renders() && seconds > kMaxRenderSeconds)
        return fail(o.midiIn + " lasts longer than 3600 seconds; give --seconds", kExitBadArgument);

    host.setTempo(o.tempo);
    host.start(o.rate, o.block);
    if (!o.bank.empty() && !loadBank(host, o.bank, error))
        return fail(error);
    if (!o.pattern.empty() && !loadPattern(host, o.pattern, o.withParams, error))
        return fail(error);
    for (std::size_t i = 0; i < slots.size(); ++i)
        host.setParameter(slots[i], o.params[i].value);
    PatternWriteOptions write;
    write.tempoBpm = o.tempo;
    if (!o.exportMidi.empty() && !exportPluginPattern(host, o.exportMidi, write, error))
        return fail(error);
    if (!o.renders())
        return 0;

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
    if (!o.midiOut.empty())
    {
        const std::vector<FramedMidi> sent = framesOfReceived(host.received, blockStarts);
        const std::vector<std::uint8_t> bytes = midiOutFileBytes(sent, frames, o.rate, o.tempo);
        if (!writeFileBytes(o.midiOut, bytes.data(), bytes.size()))
            return fail(o.midiOut + ": cannot write the file");
        if (sent.empty())
            std::fprintf(stderr, "quelvar-render: the plugin sent no MIDI\n");
    }
    return 0;
}

} // namespace quelvar
