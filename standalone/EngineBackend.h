// The panel's back-end in the standalone program: state read from the engine in this process and
// actions called on it directly. The engine's notices arrive through the editor, which hands
// them over on the main thread. Qt main thread.
#pragma once

#include "standalone/panel/PanelBackend.h"

namespace quelvar
{

class Palladon;
class PalladonEditor;

class EngineBackend final : public PanelBackend
{
    Q_OBJECT

public:
    EngineBackend(Palladon& engine, PalladonEditor& editor, QObject* parent = nullptr);

    float parameterValue(int index) const override;
    QString parameterText(int index) const override;
    PatternView pattern(int index) const override;
    TransportView transport() const override;
    ChainEntries chain() const override;
    bool offersMidiExport() const override { return true; }
    int controllerOf(int slot) const override;
    int learningSlot() const override;
    LineSettings lineSettings() const override;

    void setParameter(int index, float value) override;
    void beginEdit(int index) override;
    void endEdit(int index) override;
    void editStep(StepField field, int step, int value) override;
    void editCurrentPattern(PatternEdit edit) override;
    void editPattern(SlotEdit edit, int patternIndex) override;
    void randomise(Randomise what) override;
    void setPatternName(const QString& name) override;
    void restorePattern(int patternIndex, const PatternView& pattern) override;
    void setChain(const ChainEntries& chain) override;
    void selectPattern(int index) override;
    void learnController(int slot) override;
    void forgetController(int slot) override;
    void play() override;
    void stop() override;
    void liveNote(bool on, int note, int velocity) override;
    void exportFile(ExportFormat format, const QString& path) override;
    void importFile(ImportFormat format, int patternIndex, const QString& path) override;
    void setLineSettings(const LineSettings& settings) override;
    void editLine(LineEdit edit) override;
    void writeLineFile(const QString& folder) override;

signals:
    // The file at path now holds what the pattern at that song index holds; -1: the whole song.
    void fileExchanged(int patternIndex, const QString& path);

private:
    Palladon& engine;
    PalladonEditor& editor;
};

} // namespace quelvar
