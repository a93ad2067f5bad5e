// What an editor asks of the engine, by the codes of bridge/commandCodes.h: the plugin's command
// FIFO and the standalone panel both apply them here. A code outside the set does nothing.
// Editor thread (the plugin's poll timer, the standalone's Qt main thread); may allocate.
#pragma once

#include "bridge/bridgeProtocol.h"
#include "bridge/commandCodes.h"

#include <string>
#include <string_view>
#include <vector>

namespace quelvar
{

class Palladon;

namespace editorCommands
{

// A note is 0 (rest) to 60; a slide or an accent is set by any value but 0. False, and nothing
// done, when there is no current pattern.
bool editStep(Palladon& engine, StepField field, int step, int value);
void editCurrentPattern(Palladon& engine, PatternEdit edit);
// The song pattern at patternIndex; SlotEdit::randomise changes it at once.
void editPattern(Palladon& engine, SlotEdit edit, int patternIndex);
void randomise(Palladon& engine, Randomise what);
void setPatternName(Palladon& engine, std::string_view name);
// Puts back a whole pattern (all 64 steps, step count and name) into the song pattern at
// contents.index, as an undo does; when it is the current one the sequencer takes it afresh.
void restorePattern(Palladon& engine, const bridge::PatternContents& contents);
// The whole chain, as every chain edit and its undo sends it.
void setChain(Palladon& engine, const ChainEntries& chain);
// Any song pattern as a trigger: the first 32 through the pattern slot as the pattern selector
// chooses them (the host hears of it), the others straight to the sequencer.
void selectPattern(Palladon& engine, int index);
void liveNote(Palladon& engine, bool on, int note, int velocity);
void setLineSettings(Palladon& engine, const LineSettings& settings);
// Generate, Mutate or Fit to key on the current pattern, with the engine's line settings.
void editLine(Palladon& engine, LineEdit edit);
// What plays now as a MIDI file in `folder` (an absolute path in the user's cache): the file's
// path, or empty when none was written.
std::string writeLineFile(Palladon& engine, const std::string& folder);
// The current pattern, with ExportFormat::bank the whole state, with ExportFormat::midiChain a
// pass of the chain. False when nothing was written.
bool exportFile(Palladon& engine, ExportFormat format, const std::string& path);
// False when nothing was read. With `notices`, adds what the reader changed or left out.
bool importFile(Palladon& engine, ImportFormat format, int patternIndex, const std::string& path,
                std::vector<std::string>* notices = nullptr);

} // namespace editorCommands

} // namespace quelvar
