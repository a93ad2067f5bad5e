#include "bridge/editorCommands.h"

#include "engine/Palladon.h"

namespace quelvar::editorCommands
{

bool editStep(Palladon& engine, StepField field, int step, int value)
{
    Pattern* p = engine.getCurrentPattern();
    if (!p)
        return false;
    switch (field)
    {
    case StepField::note:
        p->setStepNote(value, step);
        break;
    case StepField::slide:
        p->setStepSlide(value != 0, step);
        break;
    case StepField::accent:
        p->setStepAccent(value != 0, step);
        break;
    default:
        break;
    }
    engine.updatePatternData();
    return true;
}

void editCurrentPattern(Palladon& engine, PatternEdit edit)
{
    switch (edit)
    {
    case PatternEdit::clear:
        engine.PatternClear();
        break;
    case PatternEdit::copy:
        engine.PatternCopy(-1);
        break;
    case PatternEdit::paste:
        engine.PatternPaste(-1);
        break;
    case PatternEdit::transposeUp:
        engine.patternTransposeUp();
        break;
    case PatternEdit::transposeDown:
        engine.patternTransposeDown();
        break;
    case PatternEdit::shiftLeft:
        engine.patternShiftLeft();
        break;
    case PatternEdit::shiftRight:
        engine.patternShiftRight();
        break;
    default:
        break;
    }
    engine.updatePatternData();
}

void editPattern(Palladon& engine, SlotEdit edit, int patternIndex)
{
    if (Pattern* p = engine.getSong().getPattern(patternIndex))
    {
        switch (edit)
        {
        case SlotEdit::clear:
            p->clear();
            break;
        case SlotEdit::copy:
            engine.PatternCopy(patternIndex);
            break;
        case SlotEdit::paste:
            engine.PatternPaste(patternIndex);
            break;
        case SlotEdit::randomise:
            engine.PatternRandom1(patternIndex);
            break;
        default:
            break;
        }
    }
    engine.updatePluginData();
    engine.updatePatternData();
}

void randomise(Palladon& engine, Randomise what)
{
    switch (what)
    {
    case Randomise::pattern:
        engine.PatternRandom1(-1);
        break;
    case Randomise::notes:
        engine.patternRandom3(static_cast<int>(StepField::note), -1);
        break;
    case Randomise::slides:
        engine.patternRandom3(static_cast<int>(StepField::slide), -1);
        break;
    case Randomise::accents:
        engine.patternRandom3(static_cast<int>(StepField::accent), -1);
        break;
    case Randomise::parameters:
        engine.randomParameters();
        break;
    case Randomise::all:
        engine.PatternRandom1(-1);
        engine.randomParameters();
        break;
    default:
        break;
    }
}

void setPatternName(Palladon& engine, std::string_view name)
{
    if (Pattern* p = engine.getCurrentPattern())
        p->setName(name);
    engine.updatePatternData();
}

void liveNote(Palladon& engine, bool on, int note, int velocity)
{
    if (on)
        engine.play(note, velocity, 0);
    else
        engine.stop(note, velocity, 0);
}

void exportFile(Palladon& engine, ExportFormat format, const std::string& path)
{
    switch (format)
    {
    case ExportFormat::pattern:
        engine.exportPattern(path);
        break;
    case ExportFormat::abl2:
        engine.exportABL2Pattern(path);
        break;
    case ExportFormat::abl3:
        engine.exportABL3Pattern(path);
        break;
    case ExportFormat::bank:
        engine.exportBank(path);
        break;
    case ExportFormat::phoscyon:
        engine.exportPhoscyonPattern(path);
        break;
    case ExportFormat::midi:
        engine.exportMidiPattern(path, -1);
        break;
    default:
        break;
    }
}

void importFile(Palladon& engine, ImportFormat format, int patternIndex, const std::string& path)
{
    switch (format)
    {
    case ImportFormat::pattern:
        engine.importPattern(path, patternIndex, false);
        break;
    case ImportFormat::patternWithParameters:
        engine.importPattern(path, patternIndex, true);
        break;
    case ImportFormat::abl:
        engine.importABLPattern(path, patternIndex, false);
        break;
    case ImportFormat::phoscyon:
        engine.importPhoscyonPattern(path, patternIndex);
        break;
    case ImportFormat::bank:
        engine.importBank(path, -1);
        break;
    case ImportFormat::ablWithParameters:
        engine.importABLPattern(path, patternIndex, true);
        break;
    default:
        break;
    }
}

} // namespace quelvar::editorCommands
