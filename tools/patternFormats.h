// Pattern files of every supported format, read into and written from an in-process engine.
// The suffix of the path decides the format. Offline use; allocates.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace quelvar
{

class Palladon;

enum class PatternFormat
{
    native,   // .303
    abl,      // .pat, ABL2 or ABL3
    phoscyon, // .phptr
    midi,     // .mid, written only
    bank      // .b303, written only here (a bank is loaded whole, not as a pattern)
};

// From a suffix without its dot ("303", "PAT"); none for an unknown one.
std::optional<PatternFormat> formatFromSuffix(std::string suffix);
std::optional<PatternFormat> formatOfPath(const std::string& path);
const char* suffixOf(PatternFormat format);

struct PatternWriteOptions
{
    bool abl2 = false;       // .pat as ABL2 instead of ABL3
    double tempoBpm = 120.0; // the tempo a .mid file carries
};

// Installs the file's pattern as the engine's current pattern. With `withParams`, the
// parameters a .303 or ABL2 file carries are applied too (an ABL3 file's settings always are).
// False with a message naming the file when it cannot be read or is not a valid pattern.
// `notices` receives what the reader changed or left out, one sentence each.
bool readPatternFile(Palladon& engine, const std::string& path, bool withParams, std::string& error,
                     std::vector<std::string>& notices);

// The notices on standard error, one line each, after the file's name.
void printNotices(const std::string& path, const std::vector<std::string>& notices);

// Writes the engine's current pattern (a bank: the whole song) in the format of the path's
// suffix. False with a message when the format is unknown or the file cannot be written.
bool writePatternFile(Palladon& engine, const std::string& path, const PatternWriteOptions& options,
                      std::string& error);

} // namespace quelvar
