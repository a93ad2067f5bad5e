#include "standalone/EngineBackend.h"

#include "bridge/editorCommands.h"
#include "engine/Palladon.h"

#include <QFile>

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

int EngineBackend::controllerOf(int slot) const
{
    return engine.controllerOf(slot);
}

int EngineBackend::learningSlot() const
{
    return engine.getLearningSlot();
}

LineSettings EngineBackend::lineSettings() const
{
    return engine.getLineSettings();
}

TransportView EngineBackend::transport() const
{
    const Transport& t = engine.getTransport();
    return {t.hostPlaying(), t.internalPlaying(), engine.getCurrentPatternIndex(),
            static_cast<int>(t.hostTempo()), t.syncType(), engine.getChainEntry()};
}

ChainEntries EngineBackend::chain() const
{
    return engine.getChain();
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
    if (editorCommands::editStep(engine, field, step, value))
        editor.updateDisplay();
}

void EngineBackend::editCurrentPattern(PatternEdit edit)
{
    editorCommands::editCurrentPattern(engine, edit);
    editor.updateDisplay();
}

void EngineBackend::editPattern(SlotEdit edit, int patternIndex)
{
    const int index = patternIndex < 0 ? engine.getCurrentPatternIndex() : patternIndex;
    editorCommands::editPattern(engine, edit, index);
    editor.updateDisplay();
}

void EngineBackend::randomise(Randomise what)
{
    editorCommands::randomise(engine, what);
}

void EngineBackend::setPatternName(const QString& name)
{
    editorCommands::setPatternName(engine, name.toStdString());
    editor.updateDisplay();
}

void EngineBackend::restorePattern(int patternIndex, const PatternView& view)
{
    const QByteArray name = view.name.toUtf8();
    editorCommands::restorePattern(engine, patternContents(patternIndex, view, name));
}

void EngineBackend::setChain(const ChainEntries& chain)
{
    editorCommands::setChain(engine, chain);
}

void EngineBackend::selectPattern(int index)
{
    editorCommands::selectPattern(engine, index);
}

void EngineBackend::learnController(int slot)
{
    engine.learnController(slot);
}

void EngineBackend::forgetController(int slot)
{
    engine.forgetController(slot);
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
    editorCommands::liveNote(engine, on, note, velocity);
}

void EngineBackend::exportFile(ExportFormat format, const QString& path)
{
    if (!editorCommands::exportFile(engine, format, path.toStdString()))
        return;
    // Only these formats keep everything a pattern or the song holds.
    if (format == ExportFormat::pattern)
        emit fileExchanged(engine.getCurrentPatternIndex(), path);
    else if (format == ExportFormat::bank)
        emit fileExchanged(-1, path);
}

void EngineBackend::importFile(ImportFormat format, int patternIndex, const QString& path)
{
    std::vector<std::string> notices;
    const bool read =
        editorCommands::importFile(engine, format, patternIndex, path.toStdString(), &notices);
    editor.updateDisplay();
    if (read && format == ImportFormat::bank)
        emit fileExchanged(-1, path);
    else if (read)
        emit fileExchanged(patternIndex < 0 ? engine.getCurrentPatternIndex() : patternIndex,
                           path);
    QStringList lines;
    for (const std::string& n : notices)
        lines << QString::fromStdString(n);
    emit imported(read, lines);
}

void EngineBackend::setLineSettings(const LineSettings& settings)
{
    editorCommands::setLineSettings(engine, settings);
}

void EngineBackend::editLine(LineEdit edit)
{
    editorCommands::editLine(engine, edit);
}

void EngineBackend::writeLineFile(const QString& folder)
{
    const std::string path =
        editorCommands::writeLineFile(engine, QFile::encodeName(folder).toStdString());
    emit lineFileWritten(QFile::decodeName(QByteArray::fromStdString(path)));
}

} // namespace quelvar
