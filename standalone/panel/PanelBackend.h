// What a panel needs from the engine it edits: the state it shows and the actions it sends. The
// plugin's UI process implements it over the shared block and the command FIFO, the standalone
// program over its engine in the same process. Called on the Qt main thread; the signals may be
// emitted on other threads and then reach the panel queued.
#pragma once

#include "bridge/bridgeProtocol.h"
#include "bridge/commandCodes.h"
#include "sequencer/Chain.h"
#include "sequencer/lineOperations.h"

#include <QByteArray>

#include <QObject>
#include <QString>
#include <QStringList>

#include <array>

namespace quelvar
{

struct StepView
{
    int note = 0; // 0 rest, 1-60
    bool slide = false;
    bool accent = false;

    bool operator==(const StepView&) const = default;
};

struct PatternView
{
    std::array<StepView, 64> steps{};
    QString name;
    int stepCount = 16;

    bool operator==(const PatternView&) const = default;
};

// The pattern as the bridge carries it, to be put back at index; its name points into utf8Name.
inline bridge::PatternContents patternContents(int index, const PatternView& view,
                                               const QByteArray& utf8Name)
{
    bridge::PatternContents contents;
    contents.index = index;
    contents.stepCount = view.stepCount;
    for (std::size_t i = 0; i < view.steps.size(); ++i)
    {
        const StepView& s = view.steps[i];
        contents.steps[i] = {static_cast<std::uint8_t>(s.note), static_cast<std::uint8_t>(s.slide),
                             static_cast<std::uint8_t>(s.accent)};
    }
    contents.name = {utf8Name.constData(), static_cast<std::size_t>(utf8Name.size())};
    return contents;
}

struct TransportView
{
    bool hostPlaying = false;
    bool internalRunning = false;
    int currentPattern = 0;
    int hostTempoBpm = 0;
    int syncType = 0;    // 0 host sync, 1 internal, 2 MIDI in
    int chainEntry = -1; // the chain entry that plays, -1 while no chain plays
};

class PanelBackend : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // State.
    virtual float parameterValue(int index) const = 0;
    virtual QString parameterText(int index) const = 0;
    virtual PatternView pattern(int index) const = 0;
    virtual TransportView transport() const = 0;
    virtual ChainEntries chain() const = 0;

    // Whether the export menu offers a standard MIDI file (the UI process's menu does).
    virtual bool offersMidiExport() const = 0;
    // The MIDI controller that moves a parameter slot, and the slot waiting to learn one; -1
    // for none.
    virtual int controllerOf(int slot) const = 0;
    virtual int learningSlot() const = 0;
    // The key, scale and shares the line edits use.
    virtual LineSettings lineSettings() const = 0;

    // Actions. A pattern index of -1 names the current pattern. setParameter is an automated
    // change: the host hears of it. A gesture on one control is bracketed by beginEdit and endEdit.
    virtual void setParameter(int index, float value) = 0;
    virtual void beginEdit(int index) = 0;
    virtual void endEdit(int index) = 0;
    virtual void editStep(StepField field, int step, int value) = 0;
    virtual void editCurrentPattern(PatternEdit edit) = 0;
    virtual void editPattern(SlotEdit edit, int patternIndex) = 0;
    virtual void randomise(Randomise what) = 0;
    virtual void setPatternName(const QString& name) = 0;
    // Puts a whole pattern back (steps, step count, name), as an undo does.
    virtual void restorePattern(int patternIndex, const PatternView& pattern) = 0;
    // The whole chain, after an edit or as an undo puts it back.
    virtual void setChain(const ChainEntries& chain) = 0;
    // Any song pattern, chosen as a trigger: the first 32 as the pattern selector chooses them.
    virtual void selectPattern(int index) = 0;
    // The next MIDI controller moved is given to the slot; -1 stops learning.
    virtual void learnController(int slot) = 0;
    virtual void forgetController(int slot) = 0;
    virtual void play() = 0;
    virtual void stop() = 0;
    virtual void liveNote(bool on, int note, int velocity) = 0;
    virtual void exportFile(ExportFormat format, const QString& path) = 0;
    // Answered by imported(), at once or when the engine has read the file.
    virtual void importFile(ImportFormat format, int patternIndex, const QString& path) = 0;
    virtual void setLineSettings(const LineSettings& settings) = 0;
    // Generate, Mutate or Fit to key on the current pattern.
    virtual void editLine(LineEdit edit) = 0;
    // Writes what plays now as a standard MIDI file into `folder`; answered by lineFileWritten,
    // at once or when the engine has written it.
    virtual void writeLineFile(const QString& folder) = 0;

signals:
    void parameterChanged(int index, float value);
    // Anything may have changed: reread everything.
    void refreshed();
    void stepPlayed(int step);
    // Note on/off of live play, or the host transport's start (0xFA) and stop (0xFC).
    void midiMessage(int status, int data1, int data2);
    void distortionTypeChanged(int type);
    // The end of the last import: whether the file was read, and what its reader changed or
    // left out, one sentence each.
    void imported(bool read, const QStringList& notices);
    // The file writeLineFile asked for; empty when none could be written.
    void lineFileWritten(const QString& path);
};

} // namespace quelvar
