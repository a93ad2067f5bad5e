#include "standalone/EngineBackend.h"

#include "engine/Palladon.h"

namespace quelvar
{

namespace
{
constexpr int kTextRoom = 64;
} // namespace

EngineBackend::EngineBackend(Palladon& engine, PalladonEditor& editor, QObject* parent)
    : PanelBackend(parent), engine(engine), editor(editor)
{
}

QString EngineBackend::parameterName(int index) const
{
    char text[kTextRoom] = {};
    engine.getParameterName(index, text);
    return QString::fromLatin1(text);
}

float EngineBackend::parameterValue(int index) const
{
    return index >= 0 && index < kNumParams ? engine.getParameter(index) : 0.0f;
}

QString EngineBackend::parameterText(int index) const
{
    char text[kTextRoom] = {};
    if (index >= 0 && index < kNumParams)
        engine.getParameterDisplay(index, text);
    return QString::fromLatin1(text);
}

PatternView EngineBackend::pattern(int index) const
{
    PatternView view;
    const Pattern* p = engine.getSong().getPattern(index < 0 ? engine.getCurrentPatternIndex()
                                                               : index);
    if (!p)
        return view;
    for (int i = 0; i < static_cast<int>(view.steps.size()); ++i)
        if (const Step* s = p->getStepAnyIndex(i))
            view.steps[static_cast<std::size_t>(i)] = {s->note(), s->slide(), s->accent()};
    view.name = QString::fromStdString(p->getName());
    view.stepCount = p->getNBStep();
    return view;
}

TransportView EngineBackend::transport() const
{
    const Transport& t = engine.getTransport();
    return {t.hostPlaying(), t.internalPlaying(), engine.getCurrentPatternIndex(),
            static_cast<int>(t.hostTempo()), t.syncType()};
}

void EngineBackend::setParameter(int index, float value)
{
    if (index >= 0 && index < kNumParams)
        engine.setParameterAutomated(index, value);
}

void EngineBackend::beginEdit(int index)
{
    if (index >= 0 && index < kNumParams)
        engine.beginEdit(index);
}

void EngineBackend::endEdit(int index)
{
    if (index >= 0 && index < kNumParams)
        engine.endEdit(index);
}

void EngineBackend::editStep(StepField field, int step, int value)
{
    Pattern* p = engine.getCurrentPattern();
    if (!p)
        return;
    switch (field)
    {
    case StepField::note: p->setStepNote(value, step); break;
    case StepField::slide: p->setStepSlide(value != 0, step); break;
    case StepField::accent: p->setStepAccent(value != 0, step); break;
    }
    engine.updatePatternData();
    editor.updateDisplay();
}

void EngineBackend::editCurrentPattern(PatternEdit edit)
{
    switch (edit)
    {
    case PatternEdit::clear: engine.PatternClear(); break;
    case PatternEdit::copy: engine.PatternCopy(-1); break;
    case PatternEdit::paste: engine.PatternPaste(-1); break;
    case PatternEdit::transposeUp: engine.patternTransposeUp(); break;
    case PatternEdit::transposeDown: engine.patternTransposeDown(); break;
    case PatternEdit::shiftLeft: engine.patternShiftLeft(); break;
    case PatternEdit::shiftRight: engine.patternShiftRight(); break;
    }
    engine.updatePatternData();
    editor.updateDisplay();
}

void EngineBackend::editPattern(SlotEdit edit, int patternIndex)
{
    const int index = patternIndex < 0 ? engine.getCurrentPatternIndex() : patternIndex;
    if (Pattern* p = engine.getSong().getPattern(index))
    {
        switch (edit)
        {
        case SlotEdit::clear: p->clear(); break;
        case SlotEdit::copy: engine.PatternCopy(index); break;
        case SlotEdit::paste: engine.PatternPaste(index); break;
        case SlotEdit::randomise: engine.PatternRandom1(index); break;
        }
    }
    engine.updatePluginData();
    engine.updatePatternData();
    editor.updateDisplay();
}

void EngineBackend::randomise(Randomise what)
{
    switch (what)
    {
    case Randomise::pattern: engine.PatternRandom1(-1); break;
    case Randomise::notes: engine.patternRandom3(0, -1); break;
    case Randomise::slides: engine.patternRandom3(1, -1); break;
    case Randomise::accents: engine.patternRandom3(2, -1); break;
    case Randomise::parameters: engine.randomParameters(); break;
    case Randomise::all:
        engine.PatternRandom1(-1);
        engine.randomParameters();
        break;
    }
}

void EngineBackend::setPatternName(const QString& name)
{
    if (Pattern* p = engine.getCurrentPattern())
        p->setName(name.toStdString());
    engine.updatePatternData();
    editor.updateDisplay();
}

void EngineBackend::play()
{
    engine.internalPlay();
}

void EngineBackend::stop()
{
    engine.internalStop();
}

void EngineBackend::liveNote(bool on, int note, int velocity)
{
    if (on)
        engine.play(note, velocity, 0);
    else
        engine.stop(note, velocity, 0);
}

void EngineBackend::exportFile(ExportFormat format, const QString& path)
{
    const std::string file = path.toStdString();
    switch (format)
    {
    case ExportFormat::pattern: engine.exportPattern(file); break;
    case ExportFormat::abl2: engine.exportABL2Pattern(file); break;
    case ExportFormat::abl3: engine.exportABL3Pattern(file); break;
    case ExportFormat::bank: engine.exportBank(file); break;
    case ExportFormat::phoscyon: engine.exportPhoscyonPattern(file); break;
    case ExportFormat::midi: engine.exportMidiPattern(file, -1); break;
    }
}

void EngineBackend::importFile(ImportFormat format, int patternIndex, const QString& path)
{
    const std::string file = path.toStdString();
    switch (format)
    {
    case ImportFormat::pattern: engine.importPattern(file, patternIndex, false); break;
    case ImportFormat::patternWithParameters: engine.importPattern(file, patternIndex, true); break;
    case ImportFormat::abl: engine.importABLPattern(file, patternIndex, false); break;
    case ImportFormat::phoscyon: engine.importPhoscyonPattern(file, patternIndex); break;
    case ImportFormat::bank: engine.importBank(file, -1); break;
    case ImportFormat::ablWithParameters: engine.importABLPattern(file, patternIndex, true); break;
    }
    editor.updateDisplay();
}

} // namespace quelvar
