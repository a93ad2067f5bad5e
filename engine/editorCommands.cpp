#include "engine/editorCommands.h"

#include "engine/Palladon.h"

namespace quelvar::editorCommands
{

bool editStep(Palladon& engine, int field, int step, int value)
{
    Pattern* p = engine.getCurrentPattern();
    if (!p)
        return false;
    switch (field)
    {
    case 0:
        p->setStepNote(value, step);
        break;
    case 1:
        p->setStepSlide(value != 0, step);
        break;
    case 2:
        p->setStepAccent(value != 0, step);
        break;
    default:
        break;
    }
    engine.updatePatternData();
    return true;
}

void editCurrentPattern(Palladon& engine, int edit)
{
    switch (edit)
    {
    case 0:
        engine.PatternClear();
        break;
    case 1:
        engine.PatternCopy(-1);
        break;
    case 2:
        engine.PatternPaste(-1);
        break;
    case 3:
        engine.patternTransposeUp();
        break;
    case 4:
        engine.patternTransposeDown();
        break;
    case 5:
        engine.patternShiftLeft();
        break;
    case 6:
        engine.patternShiftRight();
        break;
    default:
        break;
    }
    engine.updatePatternData();
}

void editPattern(Palladon& engine, int edit, int patternIndex)
{
    if (Pattern* p = engine.getSong().getPattern(patternIndex))
    {
        switch (edit)
        {
        case 0:
            p->clear();
            break;
        case 1:
            engine.PatternCopy(patternIndex);
            break;
        case 2:
            engine.PatternPaste(patternIndex);
            break;
        case 3:
            engine.PatternRandom1(patternIndex);
            break;
        default:
            break;
        }
    }
    engine.updatePluginData();
    engine.updatePatternData();
}

void randomise(Palladon& engine, int what)
{
    switch (what)
    {
    case 0:
        engine.PatternRandom1(-1);
        break;
    case 1:
    case 2:
    case 3:
        engine.patternRandom3(what - 1, -1);
        break;
    case 4:
        engine.randomParameters();
        break;
    case 5:
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

bool exportFile(Palladon& engine, int format, const std::string& path)
{
    switch (format)
    {
    case 0:
        return engine.exportPattern(path);
    case 2:
        return engine.exportABL2Pattern(path);
    case 3:
        return engine.exportABL3Pattern(path);
    case 4:
        return engine.exportBank(path);
    case 5:
        return engine.exportPhoscyonPattern(path);
    case 6:
        return engine.exportMidiPattern(path, -1);
    default:
        return false;
    }
}

bool importFile(Palladon& engine, int format, int patternIndex, const std::string& path)
{
    switch (format)
    {
    case 0:
        return engine.importPattern(path, patternIndex, false);
    case 1:
        return engine.importPattern(path, patternIndex, true);
    case 2:
        return engine.importABLPattern(path, patternIndex, false);
    case 3:
        return engine.importPhoscyonPattern(path, patternIndex);
    case 4:
        return engine.importBank(path, -1);
    case 5:
        return engine.importABLPattern(path, patternIndex, true);
    default:
        return false;
    }
}

} // namespace quelvar::editorCommands
