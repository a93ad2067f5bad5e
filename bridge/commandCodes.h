// What an editor asks of the engine beyond parameters and notes: the sub-codes of the bridge's
// pattern, randomise and file commands, as they go on the wire. The plugin's command FIFO and the
// standalone panel both apply them through editorCommands; a step field is sent as its StepField.
#pragma once

#include "sequencer/Step.h"

namespace quelvar
{

enum class PatternEdit
{
    clear = 0,
    copy = 1,
    paste = 2,
    transposeUp = 3,
    transposeDown = 4,
    shiftLeft = 5,
    shiftRight = 6
};

enum class SlotEdit
{
    clear = 0,
    copy = 1,
    paste = 2,
    randomise = 3
};

enum class Randomise
{
    pattern = 0,
    notes = 1,
    slides = 2,
    accents = 3,
    parameters = 4,
    all = 5
};

// Edits of the current pattern in the engine's key (sequencer/lineOperations.h).
enum class LineEdit
{
    generate = 0,
    mutate = 1,
    fitToKey = 2
};

enum class ExportFormat
{
    pattern = 0,
    abl2 = 2,
    abl3 = 3,
    bank = 4,
    phoscyon = 5,
    midi = 6,
    midiChain = 7 // one pass of the chain
};

enum class ImportFormat
{
    pattern = 0,
    patternWithParameters = 1,
    abl = 2,
    phoscyon = 3,
    bank = 4,
    ablWithParameters = 5
};

} // namespace quelvar
