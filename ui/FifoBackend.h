// The panel's back-end in the UI process: state from the engine's shared block, actions as
// commands on the command FIFO, and the plugin's notices as the back-end's signals. Qt main
// thread.
#pragma once

#include "standalone/panel/PanelBackend.h"

namespace quelvar
{

class SharedBlockView;
class UICommunication;

class FifoBackend final : public PanelBackend
{
    Q_OBJECT

public:
    FifoBackend(const SharedBlockView& block, UICommunication& link, QObject* parent = nullptr);

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

private:
    // Command 33 carries a pattern number, so the current pattern is named by its index.
    int patternOrCurrent(int patternIndex) const;

    const SharedBlockView& block;
    UICommunication& link;
};

} // namespace quelvar
