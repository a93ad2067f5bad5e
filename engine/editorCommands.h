// What an editor asks of the engine, by the engine's own operation codes: the plugin's command
// FIFO and the standalone panel both apply them here. A code outside the set does nothing.
// Editor thread (the plugin's poll timer, the standalone's Qt main thread); may allocate.
#pragma once

#include <string>
#include <string_view>

namespace quelvar
{

class Palladon;

namespace editorCommands
{

// Field 0 note (0 rest, 1-60), 1 slide, 2 accent (non-zero sets). False, and nothing done, when
// there is no current pattern.
bool editStep(Palladon& engine, int field, int step, int value);
// 0 clear, 1 copy, 2 paste, 3 transpose up, 4 transpose down, 5 shift left, 6 shift right.
void editCurrentPattern(Palladon& engine, int edit);
// 0 clear, 1 copy, 2 paste, 3 randomise the song pattern at patternIndex.
void editPattern(Palladon& engine, int edit, int patternIndex);
// 0 pattern, 1 notes, 2 slides, 3 accents, 4 parameters, 5 pattern and parameters.
void randomise(Palladon& engine, int what);
void setPatternName(Palladon& engine, std::string_view name);
void liveNote(Palladon& engine, bool on, int note, int velocity);
// 0 pattern, 2 ABL 2, 3 ABL 3, 4 bank, 5 Phoscyon, 6 MIDI file of the current pattern. False
// when nothing was written.
bool exportFile(Palladon& engine, int format, const std::string& path);
// 0 pattern, 1 pattern with parameters, 2 ABL, 3 Phoscyon, 4 bank, 5 ABL with parameters.
// False when nothing was read.
bool importFile(Palladon& engine, int format, int patternIndex, const std::string& path);

} // namespace editorCommands

} // namespace quelvar
