// The bank file (.b303): the state chunk as it stands, with no header of its own.
// Caller's thread, never the audio thread; allocates.
#pragma once

#include <string>

namespace quelvar
{

class Palladon;

// False when nothing was written (empty path, no current pattern, file not writable).
bool exportBank(Palladon& engine, const std::string& path);
// Hands the file to setChunk; `index` is not used. False when the file cannot be read or the
// chunk is rejected (a partly applied bank stays applied).
bool importBank(Palladon& engine, const std::string& path, int index);

} // namespace quelvar
