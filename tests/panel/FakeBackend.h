// A panel back-end that records what the panel sends and answers with state the test sets.
#pragma once

#include "FakeDialogs.h"
#include "io/parameterSlots.h"
#include "standalone/panel/PanelBackend.h"

#include <QString>

#include <array>
#include <vector>

namespace quelvar::test
{

struct Call
{
    enum Kind
    {
        parameter,
        beginEdit,
        endEdit,
        step,
        currentPattern,
        slot,
        randomise,
        name,
        play,
        stop,
        note,
        exportFile,
        importFile,
        restore,
        learn,
        forget,
        lineSettings,
        lineEdit,
        lineFile,
        chain,
        select
    };
    Call(Kind k, int first = 0, int second = 0, float v = 0.0f, QString t = QString())
        : kind(k), a(first), b(second), value(v), text(std::move(t))
    {
    }

    Kind kind;
    int a;
    int b;
    float value;
    QString text;
};

class FakeBackend final : public PanelBackend
{
    Q_OBJECT

public:
    FakeBackend();

    float parameterValue(int index) const override
    {
        return params[static_cast<std::size_t>(index)];
    }
    QString parameterText(int index) const override;
    PatternView pattern(int index) const override;
    TransportView transport() const override { return transportState; }
    ChainEntries chain() const override { return chainState; }
    bool offersMidiExport() const override { return midiExport; }
    int controllerOf(int slot) const override { return controllers[static_cast<std::size_t>(slot)]; }
    int learningSlot() const override { return learning; }
    LineSettings lineSettings() const override { return lines; }

    void setParameter(int index, float value) override;
    void beginEdit(int index) override { calls.push_back({Call::beginEdit, index}); }
    void endEdit(int index) override { calls.push_back({Call::endEdit, index}); }
    void editStep(StepField field, int step, int value) override;
    void editCurrentPattern(PatternEdit edit) override;
    void editPattern(SlotEdit edit, int patternIndex) override;
    void randomise(Randomise what) override;
    void setPatternName(const QString& name) override;
    // Restores into `patterns`, as an engine would.
    void restorePattern(int patternIndex, const PatternView& pattern) override;
    // Sets `chainState`, as an engine would.
    void setChain(const ChainEntries& chain) override;
    void selectPattern(int index) override { calls.push_back({Call::select, index}); }
    void learnController(int slot) override;
    void forgetController(int slot) override;
    void play() override { calls.push_back({Call::play}); }
    void stop() override { calls.push_back({Call::stop}); }
    void liveNote(bool on, int note, int velocity) override;
    void exportFile(ExportFormat format, const QString& path) override;
    void importFile(ImportFormat format, int patternIndex, const QString& path) override;
    // Keeps them, as an engine would.
    void setLineSettings(const LineSettings& settings) override;
    void editLine(LineEdit edit) override
    {
        calls.push_back({Call::lineEdit, static_cast<int>(edit)});
    }
    // Answered at once with lineFileAnswer.
    void writeLineFile(const QString& folder) override;

    // Calls of one kind, in order.
    std::vector<Call> callsOf(Call::Kind kind) const;

    std::array<float, kNumParams> params{};
    std::array<PatternView, 64> patterns{};
    TransportView transportState{};
    ChainEntries chainState;
    bool midiExport = false;
    std::array<int, kNumParams> controllers{};
    int learning = -1;
    LineSettings lines;
    QString lineFileAnswer;
    std::vector<Call> calls;
};

} // namespace quelvar::test
