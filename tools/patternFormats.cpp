#include "patternFormats.h"

#include "SilencedStdout.h"
#include "engine/Palladon.h"
#include "engine/PalladonFiles.h"
#include "io/patternImport.h"

#include <cctype>
#include <cstdio>

namespace quelvar
{

std::optional<PatternFormat> formatFromSuffix(std::string suffix)
{
    for (char& c : suffix)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (suffix == "303")
        return PatternFormat::native;
    if (suffix == "pat")
        return PatternFormat::abl;
    if (suffix == "phptr")
        return PatternFormat::phoscyon;
    if (suffix == "mid" || suffix == "midi")
        return PatternFormat::midi;
    if (suffix == "b303")
        return PatternFormat::bank;
    return std::nullopt;
}

std::optional<PatternFormat> formatOfPath(const std::string& path)
{
    const auto dot = path.rfind('.');
    const auto slash = path.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return std::nullopt;
    return formatFromSuffix(path.substr(dot + 1));
}

const char* suffixOf(PatternFormat format)
{
    switch (format)
    {
    case PatternFormat::native:
        return "303";
    case PatternFormat::abl:
        return "pat";
    case PatternFormat::phoscyon:
        return "phptr";
    case PatternFormat::midi:
        return "mid";
    case PatternFormat::bank:
        return "b303";
    }
    return "";
}

bool readPatternFile(Palladon& engine, const std::string& path, bool withParams, std::string& error,
                     std::vector<std::string>& notices)
{
    if (std::FILE* f = std::fopen(path.c_str(), "rb"))
        std::fclose(f);
    else
    {
        error = path + ": cannot open the file";
        return false;
    }
    // The readers' trace lines go nowhere: their notices say the same for people. The message
    // names the kind of file expected.
    const SilencedStdout quiet;
    const std::optional<PatternFormat> format = formatOfPath(path);
    if (format == PatternFormat::native)
    {
        if (engine.importPattern(path, kCurrentPatternIndex, withParams, &notices))
            return true;
        error = path + ": not a valid .303 pattern file";
    }
    else if (format == PatternFormat::abl)
    {
        if (engine.importABLPattern(path, kCurrentPatternIndex, withParams, &notices))
            return true;
        error = path + ": not a valid ABL2 or ABL3 pattern file";
    }
    else if (format == PatternFormat::phoscyon)
    {
        if (engine.importPhoscyonPattern(path, kCurrentPatternIndex, &notices))
            return true;
        error = path + ": not a valid Phoscyon pattern file";
    }
    else
        error = path + ": not a pattern file (.303, .pat or .phptr)";
    return false;
}

void printNotices(const std::string& path, const std::vector<std::string>& notices)
{
    for (const std::string& n : notices)
        std::fprintf(stderr, "quelvar-render: %s: %s\n", path.c_str(), n.c_str());
}

bool writePatternFile(Palladon& engine, const std::string& path, const PatternWriteOptions& options,
                      std::string& error)
{
    const std::optional<PatternFormat> format = formatOfPath(path);
    if (!format)
    {
        error = path + ": unknown output format (.303, .pat, .phptr, .mid or .b303)";
        return false;
    }
    bool written = false;
    switch (*format)
    {
    case PatternFormat::native:
        written = engine.exportPattern(path);
        break;
    case PatternFormat::abl:
        written = options.abl2 ? engine.exportABL2Pattern(path) : engine.exportABL3Pattern(path);
        break;
    case PatternFormat::phoscyon:
        written = engine.exportPhoscyonPattern(path);
        break;
    case PatternFormat::midi:
        // An engine without a host never hears a host tempo: the file takes the render tempo.
        written = exportMidiPattern(engine, path, kCurrentPatternIndex, options.tempoBpm);
        break;
    case PatternFormat::bank:
        written = engine.exportBank(path);
        break;
    }
    if (!written)
        error = path + ": cannot write the file";
    return written;
}

} // namespace quelvar
