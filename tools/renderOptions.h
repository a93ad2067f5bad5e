// Command lines of quelvar-render: the render mode and the convert mode, and the usage text.
#pragma once

#include "paramArgs.h"
#include "patternFormats.h"

#include <optional>
#include <string>
#include <vector>

namespace quelvar
{

// Longest render accepted, so a typing slip cannot fill memory.
constexpr double kMaxRenderSeconds = 3600.0;

constexpr int kExitFailed = 1; // a file could not be read or written
constexpr int kExitBadArgument = 2;
constexpr int kExitSilent = 3; // silent where notes were expected

struct RenderOptions
{
    std::string plugin; // empty: next to the program
    std::string out;    // WAV
    std::string midiOut;
    std::string exportMidi;
    std::string midiIn;
    std::string bank;
    std::string pattern;
    bool withParams = false;
    bool listParams = false;
    bool quiet = false;           // no notices on standard error
    bool allowSilence = false;    // a silent render where notes were expected is no failure
    std::vector<ParamArg> params; // in command-line order
    double seconds = 0.0;         // 0: not given
    double bars = 0.0;            // 0: not given
    bool chain = false;           // play the chain (and export it) instead of the pattern
    std::vector<int> chainEntries; // song patterns 0-63 the chain is set to; empty: the state's
    int passes = 0;               // passes of the chain to render; 0: not given
    double tempo = 120.0;
    bool tempoGiven = false;
    int rate = 44100;
    int block = 512;

    bool renders() const { return !out.empty() || !midiOut.empty(); }
};

struct ConvertOptions
{
    std::vector<std::string> inputs;
    std::string output;                       // single conversion: IN OUT
    std::optional<PatternFormat> batchFormat; // --to: every input into outDir
    std::string outDir;                       // empty: beside each input
    PatternWriteOptions write;
    bool quiet = false; // no notices on standard error
};

enum class ParseResult
{
    ok,
    help,
    error
};

// `args` without the program name (and, for convert, without "convert").
ParseResult parseRenderOptions(const std::vector<std::string>& args, RenderOptions& out,
                               std::string& error);
ParseResult parseConvertOptions(const std::vector<std::string>& args, ConvertOptions& out,
                                std::string& error);

// The options, and where the plugin is looked for without --plugin.
std::string usageText();

// Where the plugin is looked for, in order: beside the program (a build tree), in lib/vst beside
// its bin folder (an installation), in ~/.vst (an installation for one user).
std::vector<std::string> pluginCandidates();
// The first candidate that can be read, else the first.
std::string defaultPluginPath();

} // namespace quelvar
