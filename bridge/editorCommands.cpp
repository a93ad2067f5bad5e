#include "bridge/editorCommands.h"

#include "engine/Palladon.h"
#include "engine/PalladonFiles.h"
#include "sequencer/Pattern.h"

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

void restorePattern(Palladon& engine, const bridge::PatternContents& contents)
{
    if (!engine.getSong().getPattern(contents.index))
        return;
    // Every step is put back, also those past the length, which a longer length shows again.
    Pattern pattern(kStepsPerPattern);
    for (int i = 0; i < kStepsPerPattern; ++i)
    {
        const auto& step = contents.steps[static_cast<std::size_t>(i)];
        pattern.setStepNote(step[0], i);
        pattern.setStepSlide(step[1] != 0, i);
        pattern.setStepAccent(step[2] != 0, i);
    }
    pattern.setNBStep(contents.stepCount);
    pattern.setName(contents.name);
    engine.getSong().setPattern(contents.index, pattern);
    engine.refreshAfterLoad();
}

void setChain(Palladon& engine, const ChainEntries& chain)
{
    engine.setChain(chain);
}

void selectPattern(Palladon& engine, int index)
{
    if (index >= 0 && index < kTriggerablePatterns)
        engine.setParameterAutomated(kTriggerPattern,
                                     static_cast<float>(index) / kTriggerablePatterns);
    else
        engine.triggerPattern(index);
}

void liveNote(Palladon& engine, bool on, int note, int velocity)
{
    if (on)
        engine.play(note, velocity, 0);
    else
        engine.stop(note, velocity, 0);
}

void setLineSettings(Palladon& engine, const LineSettings& settings)
{
    engine.setLineSettings(settings);
}

void editLine(Palladon& engine, LineEdit edit)
{
    switch (edit)
    {
    case LineEdit::generate:
        engine.generateLine();
        break;
    case LineEdit::mutate:
        engine.mutateLine();
        break;
    case LineEdit::fitToKey:
        engine.fitLineToKey();
        break;
    default:
        break;
    }
}

std::string writeLineFile(Palladon& engine, const std::string& folder)
{
    return writePlayingLine(engine, folder);
}

bool exportFile(Palladon& engine, ExportFormat format, const std::string& path)
{
    switch (format)
    {
    case ExportFormat::pattern:
        return engine.exportPattern(path);
    case ExportFormat::abl2:
        return engine.exportABL2Pattern(path);
    case ExportFormat::abl3:
        return engine.exportABL3Pattern(path);
    case ExportFormat::bank:
        return engine.exportBank(path);
    case ExportFormat::phoscyon:
        return engine.exportPhoscyonPattern(path);
    case ExportFormat::midi:
        return engine.exportMidiPattern(path, -1);
    case ExportFormat::midiChain:
        return engine.exportMidiChain(path);
    default:
        return false;
    }
}

bool importFile(Palladon& engine, ImportFormat format, int patternIndex, const std::string& path,
                std::vector<std::string>* notices)
{
    switch (format)
    {
    case ImportFormat::pattern:
        return engine.importPattern(path, patternIndex, false, notices);
    case ImportFormat::patternWithParameters:
        return engine.importPattern(path, patternIndex, true, notices);
    case ImportFormat::abl:
        return engine.importABLPattern(path, patternIndex, false, notices);
    case ImportFormat::phoscyon:
        return engine.importPhoscyonPattern(path, patternIndex, notices);
    case ImportFormat::bank:
        return engine.importBank(path, -1, notices);
    case ImportFormat::ablWithParameters:
        return engine.importABLPattern(path, patternIndex, true, notices);
    default:
        return false;
    }
}

} // namespace quelvar::editorCommands
