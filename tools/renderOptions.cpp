#include "renderOptions.h"

#include "sequencer/Chain.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <set>
#include <unistd.h>

namespace quelvar
{

namespace
{
constexpr double kMinTempoBpm = 1.0;
constexpr double kMaxTempoBpm = 999.0;
constexpr int kMinRate = 8000;
constexpr int kMaxRate = 384000;
constexpr int kMaxBlock = 65536;

constexpr char kUsage[] =
    R"(usage: quelvar-render [options]
       quelvar-render convert IN OUT [--abl2] [--tempo BPM] [--quiet]
       quelvar-render convert --to FORMAT [--out-dir DIR] [--abl2] [--tempo BPM] [--quiet] IN...

Plays the plugin as a host would, with the host transport running from the start, and
writes what it renders. Give at least one of --out, --midi-out and --export-midi.

  --out FILE.wav          write the audio (stereo, 32-bit float)
  --seconds N             render N seconds (at most 3600)
  --bars N                render N bars of 4/4 at the tempo; the default is 4 bars, or
                          with --midi the MIDI file's length plus one second
  --tempo BPM             host tempo, 1 to 999 (default 120)
  --rate HZ               sample rate, 8000 to 384000 (default 44100)
  --block N               frames per block, 1 to 65536 (default 512)
  --plugin PATH           the plugin to load (default: the first found of the places below)
  --bank FILE.b303        restore a bank, as a host restores a project
  --pattern FILE          load a .303, .pat (ABL2 or ABL3) or .phptr file into the current
                          pattern
  --with-params           with --pattern: apply the parameters that the file carries
  --param INDEX=VALUE     set a parameter as a host would, VALUE normalised 0 to 1;
  --param NAME=VALUE      NAME as the host sees it, case and surrounding blanks ignored
                          ("Dist Sel", "delay"). The unnamed slots go by index: 26 sync
                          type (0 host, 1 MIDI in; 0.5 internal is refused: no host can
                          start it),
                          27 tempo, 28 step record. Repeatable; applied in order, after
                          --bank and --pattern
  --export-midi FILE.mid  write the current pattern (with --chain, one pass of the chain) as
                          a standard MIDI file at the tempo
  --chain [LIST]          play the chain of the bank instead of the pattern, laid on the
                          host's timeline from position 0; with LIST, the chain is set to
                          those patterns first (1 to 64, comma-separated: 1,1,2,5)
  --passes N              with --chain: render N passes of the chain (default 1, unless
                          --seconds or --bars is given)
  --midi FILE.mid         play a standard MIDI file (format 0 or 1) into the plugin
  --midi-out FILE.mid     write the MIDI that the plugin sends as a format-0 MIDI file
  --list-params           print every parameter's index and name, then stop
  --allow-silence         a silent render is no failure, even where notes were expected
  --quiet                 no notices on standard error
  --help                  show this text

The sequencer plays whatever sync mode the bank or pattern holds: internal sync, which no
host can start, and MIDI in sync without --midi are played in host sync, at the state's own
tempo unless --tempo is given, and a notice says so. A render that comes out silent where the
pattern or the MIDI file holds notes ends with a warning and status 3. What a reader changed
or left out of a file (steps out of range switched off, a name cut) is told on standard
error, one line each.

convert reads a pattern (.303, .pat as ABL2 or ABL3, .phptr) with its parameters and writes
it in the format of the output's suffix: .303, .pat (ABL3), .phptr, .mid, or .b303 (a bank
with the pattern as its first pattern).

  --to FORMAT             303, pat, phptr, mid or b303: convert every IN
  --out-dir DIR           where --to writes (default: beside each input); made if missing
  --abl2                  write .pat files as ABL2
  --tempo BPM             the tempo of .mid files (default 120)
  --quiet                 no notices on standard error

Exit status: 0 done, 1 a file could not be read or written, 2 bad arguments, 3 the render
is silent where notes were expected.
)";

bool numberIn(const std::string& option, const std::string& text, double low, double high,
              bool integer, double& value, std::string& error)
{
    if (parseNumber(text, value) && value >= low && value <= high &&
        (!integer || value == std::floor(value)))
        return true;
    error = option + " takes " + (integer ? "a whole number" : "a number") + " from " +
            std::to_string(static_cast<long>(low)) + " to " +
            std::to_string(static_cast<long>(high)) + ", not \"" + text + "\"";
    return false;
}

bool tempoFrom(const std::string& text, double& tempo, std::string& error)
{
    return numberIn("--tempo", text, kMinTempoBpm, kMaxTempoBpm, false, tempo, error);
}

struct TextOption
{
    const char* name;
    std::string RenderOptions::*field;
};

constexpr TextOption kTextOptions[] = {
    {"--out", &RenderOptions::out},
    {"--midi-out", &RenderOptions::midiOut},
    {"--export-midi", &RenderOptions::exportMidi},
    {"--midi", &RenderOptions::midiIn},
    {"--bank", &RenderOptions::bank},
    {"--pattern", &RenderOptions::pattern},
    {"--plugin", &RenderOptions::plugin},
};

bool takesNumber(const std::string& arg)
{
    return arg == "--seconds" || arg == "--bars" || arg == "--tempo" || arg == "--rate" ||
           arg == "--block" || arg == "--passes";
}

// "1,1,2,5": patterns 1–64, at most a full chain of them, as song pattern indices.
bool chainEntriesFrom(const std::string& text, std::vector<int>& entries, std::string& error)
{
    for (std::size_t start = 0; start <= text.size();)
    {
        const std::size_t end = std::min(text.find(',', start), text.size());
        const std::string item = text.substr(start, end - start);
        double number = 0.0;
        if (!parseNumber(item, number) || number < 1 || number > kPatternsPerSong ||
            number != std::floor(number))
        {
            error = "--chain takes patterns 1 to 64 separated by commas, not \"" + item + "\"";
            return false;
        }
        if (entries.size() == static_cast<std::size_t>(kMaxChainEntries))
        {
            error = "--chain takes at most 256 patterns";
            return false;
        }
        entries.push_back(static_cast<int>(number) - 1);
        start = end + 1;
    }
    return true;
}

bool looksLikeChain(const std::string& arg)
{
    return !arg.empty() && arg.find_first_not_of("0123456789,") == std::string::npos;
}

bool setNumber(const std::string& arg, const std::string& value, RenderOptions& o,
               std::string& error)
{
    double v = 0.0;
    if (arg == "--tempo")
        return tempoFrom(value, o.tempo, error);
    if (arg == "--seconds")
    {
        if (!numberIn(arg, value, 0.0, kMaxRenderSeconds, false, v, error) || v == 0.0)
        {
            error = "--seconds takes a number above 0 and at most 3600, not \"" + value + "\"";
            return false;
        }
        o.seconds = v;
        return true;
    }
    if (arg == "--passes")
    {
        if (!numberIn(arg, value, 1, 9999, true, v, error))
            return false;
        o.passes = static_cast<int>(v);
        return true;
    }
    if (arg == "--bars")
    {
        if (!parseNumber(value, v) || v <= 0.0)
        {
            error = "--bars takes a number above 0, not \"" + value + "\"";
            return false;
        }
        o.bars = v;
        return true;
    }
    const bool rate = arg == "--rate";
    if (!numberIn(arg, value, rate ? kMinRate : 1, rate ? kMaxRate : kMaxBlock, true, v, error))
        return false;
    (rate ? o.rate : o.block) = static_cast<int>(v);
    return true;
}
} // namespace

ParseResult parseRenderOptions(const std::vector<std::string>& args, RenderOptions& o,
                               std::string& error)
{
    std::set<std::string> given;
    for (std::size_t i = 0; i < args.size(); ++i)
    {
        const std::string& arg = args[i];
        if (arg == "--help")
            return ParseResult::help;
        if (arg == "--with-params")
        {
            o.withParams = true;
            continue;
        }
        if (arg == "--list-params")
        {
            o.listParams = true;
            continue;
        }
        if (arg == "--quiet" || arg == "--allow-silence")
        {
            (arg == "--quiet" ? o.quiet : o.allowSilence) = true;
            continue;
        }
        if (arg == "--chain")
        {
            if (o.chain)
            {
                error = "--chain is given twice";
                return ParseResult::error;
            }
            o.chain = true;
            if (i + 1 < args.size() && looksLikeChain(args[i + 1]) &&
                !chainEntriesFrom(args[++i], o.chainEntries, error))
                return ParseResult::error;
            continue;
        }
        const TextOption* text = nullptr;
        for (const TextOption& t : kTextOptions)
            if (arg == t.name)
                text = &t;
        if (!text && !takesNumber(arg) && arg != "--param")
        {
            error = "unknown option \"" + arg + "\"";
            return ParseResult::error;
        }
        if (i + 1 >= args.size())
        {
            error = arg + " needs a value";
            return ParseResult::error;
        }
        const std::string& value = args[++i];
        if (arg == "--param")
        {
            ParamArg p{};
            if (!parseParamArg(value, p, error))
                return ParseResult::error;
            o.params.push_back(p);
            continue;
        }
        if (!given.insert(arg).second)
        {
            error = arg + " is given twice";
            return ParseResult::error;
        }
        if (text && value.empty())
        {
            error = arg + " needs a file name";
            return ParseResult::error;
        }
        if (text)
            o.*(text->field) = value;
        else if (!setNumber(arg, value, o, error))
            return ParseResult::error;
    }

    o.tempoGiven = given.count("--tempo") != 0;
    if (o.seconds > 0.0 && o.bars > 0.0)
        error = "give --seconds or --bars, not both";
    else if (o.bars * 4.0 * 60.0 / o.tempo > kMaxRenderSeconds)
        error = "--bars: the render would last longer than 3600 seconds";
    else if (o.withParams && o.pattern.empty())
        error = "--with-params needs --pattern";
    else if (o.passes > 0 && !o.chain)
        error = "--passes needs --chain";
    else if (o.passes > 0 && (o.seconds > 0.0 || o.bars > 0.0))
        error = "give --passes, --seconds or --bars, not two of them";
    else if (!o.renders() && o.exportMidi.empty() && !o.listParams)
        error = "nothing to do: give --out, --midi-out, --export-midi or --list-params";
    return error.empty() ? ParseResult::ok : ParseResult::error;
}

ParseResult parseConvertOptions(const std::vector<std::string>& args, ConvertOptions& o,
                                std::string& error)
{
    std::vector<std::string> positional;
    for (std::size_t i = 0; i < args.size(); ++i)
    {
        const std::string& arg = args[i];
        if (arg == "--help")
            return ParseResult::help;
        if (arg == "--abl2" || arg == "--quiet")
        {
            (arg == "--abl2" ? o.write.abl2 : o.quiet) = true;
            continue;
        }
        if (arg.rfind("--", 0) != 0)
        {
            positional.push_back(arg);
            continue;
        }
        if (arg != "--to" && arg != "--out-dir" && arg != "--tempo")
        {
            error = "unknown option \"" + arg + "\"";
            return ParseResult::error;
        }
        if (i + 1 >= args.size() || args[i + 1].empty())
        {
            error = arg + " needs a value";
            return ParseResult::error;
        }
        const std::string& value = args[++i];
        if (arg == "--tempo" && !tempoFrom(value, o.write.tempoBpm, error))
            return ParseResult::error;
        if (arg == "--out-dir")
            o.outDir = value;
        if (arg == "--to")
        {
            o.batchFormat = formatFromSuffix(value[0] == '.' ? value.substr(1) : value);
            if (!o.batchFormat)
            {
                error = "--to takes 303, pat, phptr, mid or b303, not \"" + value + "\"";
                return ParseResult::error;
            }
        }
    }

    std::optional<PatternFormat> outputFormat = o.batchFormat;
    if (o.batchFormat)
        o.inputs = positional;
    else if (!o.outDir.empty())
        error = "--out-dir needs --to FORMAT";
    else if (positional.size() == 2)
    {
        o.inputs = {positional[0]};
        o.output = positional[1];
        outputFormat = formatOfPath(o.output);
    }
    else
        error = "convert takes IN OUT, or --to FORMAT and one or more inputs";

    if (error.empty() && o.inputs.empty())
        error = "convert: no input file";
    if (error.empty() && o.write.abl2 && outputFormat != PatternFormat::abl)
        error = "--abl2 applies only to .pat outputs";
    return error.empty() ? ParseResult::ok : ParseResult::error;
}

std::string usageText()
{
    std::string text = kUsage;
    text += "\nWithout --plugin, the plugin is looked for at:\n";
    for (const std::string& place : pluginCandidates())
        text += "  " + place + "\n";
    return text;
}

std::vector<std::string> pluginCandidates()
{
    char path[4096];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    std::string dir = ".";
    if (n > 0)
    {
        path[n] = 0;
        const std::string self(path);
        const auto slash = self.rfind('/');
        if (slash != std::string::npos)
            dir = self.substr(0, slash);
    }
    std::vector<std::string> places{dir + "/QuelvarVST.so", dir + "/../lib/vst/QuelvarVST.so"};
    if (const char* home = std::getenv("HOME"); home && *home)
        places.push_back(std::string(home) + "/.vst/QuelvarVST.so");
    return places;
}

std::string defaultPluginPath()
{
    const std::vector<std::string> places = pluginCandidates();
    for (const std::string& candidate : places)
        if (access(candidate.c_str(), R_OK) == 0)
            return candidate;
    return places.front();
}

} // namespace quelvar
