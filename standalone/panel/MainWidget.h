// The synthesizer's panel: knobs and buttons for the parameters, the 16-column step editor over
// four pages, the pattern selector, sync mode, transport, the on-screen keyboard and the menus
// for randomising, importing, exporting and presets. It reads state from and sends actions to a
// PanelBackend: the engine itself in the standalone program, the shared block and the command
// FIFO in the plugin's UI process. Qt main thread, except setParameter (see there).
#pragma once

#include "engine/parameterTable.h"
#include "standalone/panel/PanelBackend.h"
#include "standalone/panel/PatternHistory.h"
#include "standalone/panel/PresetLibrary.h"
#include "standalone/panel/TapTempo.h"

#include <QElapsedTimer>
#include <QPixmap>
#include <QPoint>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <array>
#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPainter;

namespace quelvar
{

class Button;
class ButtonGroup;
class ChainStrip;
class Control;
class DigitDisplay;
class DragHandle;
class DropDown;
class FileDialogs;
class KickButton;
class Keyboard;
class Knob;
class Lamp;
class LedChaser;
class LinesRow;
class Notebox;
class Octavebox;
class PatternSelector;
class SpinBox;
class Switch;
class Toggle;

class MainWidget : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kWidth = 621;
    static constexpr int kHeight = 437;
    static constexpr int kColumns = 16;
    static constexpr int kPages = 4;
    static constexpr int kGuiTickMs = 40;

    // presetFolder empty: Documents/Brontavell/Quelvar/Patterns.
    explicit MainWidget(PanelBackend& backend, QWidget* parent = nullptr,
                        QString presetFolder = QString());
    ~MainWidget() override;

    // The first shown control that carries the parameter, or null. Any thread.
    Control* control(int index) const;
    void setFileDialogs(std::unique_ptr<FileDialogs> dialogs);

    int page() const { return currentPage; }
    bool stepsEditable() const;
    // The directory of the file last chosen in a dialog; empty before the first.
    const QString& lastDirectory() const { return lastFileDirectory; }
    PresetLibrary& presetLibrary() { return presets; }
    // The parameter value the panel last saw or sent.
    float parameterValue(int index) const;

    // The popup menus as they would open now; the caller owns them. Their entries act when
    // triggered, so tests trigger them without a popup.
    QMenu* buildPatternMenu(int pattern);
    QMenu* buildDistortionMenu();
    QMenu* buildImportMenu();
    QMenu* buildExportMenu();
    QMenu* buildRandomMenu();
    QMenu* buildPresetMenu();
    // The menu of a parameter control: the MIDI controller that moves it, "Learn MIDI CC" and
    // "Forget MIDI CC".
    QMenu* buildControlMenu(int slot);

    // The panel's keyboard actions. Their shortcuts work wherever the panel's window has the
    // focus, except in a text field; the standalone program also shows them in its menus.
    enum class Action
    {
        undo,
        redo,
        playStop,
        tapTempo
    };
    QAction* action(Action which) const { return keyActions[static_cast<std::size_t>(which)]; }
    const PatternHistory& patternHistory() const { return history; }
    // Device pixels per panel pixel, for which the background is painted.
    void setRenderScale(qreal scale);
    // The panel's own menu (a right click on its background): the keyboard's actions, and with
    // offerSizes the sizes it can take.
    QMenu* buildPanelMenu();
    void offerSizes(int currentPercent) { offeredSize = currentPercent; }

public slots:
    // The editor's parameter notice; may come from any thread: it only stores values under
    // the control list's mutex and leaves the painting to processGui.
    void setParameter(int index, float value);
    void processGui();
    void patternRandom();
    void patternClear();
    void patternCopy();
    void patternPaste();
    void exportPattern();
    void importPattern();
    // The pattern menu's "import": into that pattern.
    void importPattern(int pattern);
    void updatePatternDisplay();
    // With `everything` every parameter control is read afresh too.
    void updatePatternDisplay(bool everything);
    void setStep(int column, float on);
    void setNote(int column, int note);
    void setOctave(int column, int octave);
    void setSlide(int column, float on);
    void setAccent(int column, float on);
    void switchBar(int page, float on);
    // Shows the sync switch's mode; the arguments are only its valueChanged signal's.
    void changeSyncMode(int index, float value);
    void setPatternsync(int choice);
    void internalPlay();
    void internalStop();
    void transposeUp();
    void transposeDown();
    void shiftStepLeft();
    void shiftStepRight();
    void setPatternName();
    void showMenuPatternSelector(int pattern, QPoint position);
    void showDistoSelector(QPoint position);
    void showMenuExport(QPoint position);
    void showMenuImport(QPoint position);
    void showMenuRandom(QPoint position);
    void showMenuBrowsePreset(QPoint position);
    // 0 pattern, 1 ABL2, 2 ABL3, 3 Phoscyon, 4 bank, 5 MIDI file.
    void exportPattern2(int kind);
    // 0 pattern, 1 pattern with its parameters, 2 bank; into that pattern (-1 the current).
    void importPattern2(int kind, int pattern);
    void importPattern2(int kind);
    void setStepEditable(int index, float on);
    void setDistoParam2LabelText(int type);
    void previousPattern();
    void nextPattern();
    // The engine's MIDI notices and played steps.
    void midiMessage(int status, int data1, int data2);
    void stepPlayed(int step);
    // Loads a pattern file as a preset: by suffix, a .303 with its parameters.
    void loadPreset(const QString& path);
    // Puts back the pattern as it was before the last edit, or after the last undo.
    void undo();
    void redo();
    // Around a file that replaces a pattern (-1: the current one), or with wholeSong every
    // pattern: begin takes what stands now, end makes it one undo step when the file was read
    // or changed a pattern all the same.
    void beginFileUndo(bool wholeSong, int pattern = -1);
    void endFileUndo(bool done);
    // After an import the back-end carried out: its undo step, and what the reader refused or
    // changed, shown to the user.
    void importFinished(bool read, const QStringList& notices);
    // Space: play or stop, in internal sync.
    void playOrStop();
    // In internal sync: the tempo from the last taps.
    void tapTempo();
    // The row under the delay shows the lines' controls instead of the voice knobs.
    void showLines(bool on);
    bool linesShown() const;
    // Generate, Mutate or Fit to key on the current pattern: one undo step.
    void editLine(LineEdit edit);
    // The chain strip in place of the step editor, or the step editor.
    void showChainView(bool on);
    bool chainViewShown() const;
    // A chain edit from the strip: one undo step, then the engine takes the whole chain.
    void editChain(const ChainEntries& before, const ChainEntries& after);
    // A chain entry clicked: its pattern is chosen, as the pattern selector chooses one.
    void chooseChainEntry(int entry, int pattern);

signals:
    void updatePatternNameDisplay(const QString& name);
    // A size chosen in the panel's menu, in percent.
    void sizeRequested(int percent);

protected:
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    // On its controls: makes a tooltip as it shows; Escape leaves the name field.
    bool eventFilter(QObject* watched, QEvent* event) override;

private slots:
    // What the parameter controls' signals reach.
    void setParameterAutomated(int index, float value);
    void plugBeginEdit(int index);
    void plugEndEdit(int index);

private:
    struct Column
    {
        Button* on = nullptr;
        Notebox* note = nullptr;
        Octavebox* octave = nullptr;
        Button* accent = nullptr;
        Button* slide = nullptr;

        std::array<Control*, 5> controls() const;
    };

    void buildControls();
    void buildStepEditor();
    void buildBottomRow();
    void buildLines();
    // The voice knobs' captions, painted only while they show.
    void paintVoiceCaptions(QPainter& p) const;
    // The readout shows a line setting just changed.
    void showLineReadout(const QString& caption, const QString& value);
    void buildChain();
    void refreshChain(const TransportView& t);
    void createActions();
    // Before an edit of a pattern (-1: the current one): its snapshot, for undo.
    void recordEdit(int pattern, int mergeKey = 0);
    void putBack(const PatternHistory::Step& step);
    void updateActions();
    Knob* addKnob(const char* name, int index, QRect area, int initial, bool onDark = false);
    Button* addButton(const char* name, int index, QRect area, int look);
    // A control that carries a parameter: listed for the notices, its signals to the engine.
    void registerControl(Control* c);
    // The first shown control that carries the parameter, or null; controlsMutex held.
    Control* shownControl(int index) const;
    QPixmap paintBackground(qreal scale) const;

    int stepOf(int column) const { return column + kColumns * currentPage; }
    bool sequencerPlaying() const;
    // The step lamps follow the sequencer while it plays and the steps are not editable.
    bool stepLampsRunning() const;
    void refreshColumns();
    void showPage(int page);
    void popUp(QMenu* menu, QPoint position);
    // Imports by the file's suffix; false (and nothing sent) for any other suffix.
    bool importBySuffix(const QString& path, int pattern, bool withParameters);
    QString chooseOpenFile(const QString& title, const QString& filter);
    QString chooseSaveFile(const QString& title, const QString& filter, QString* chosenFilter);
    void exportTo(ExportFormat format, const QString& title, const QString& filter);
    QString readoutText(int index) const;
    QString captionOf(int index) const;
    // What a control is and holds now, with its MIDI controller; empty for a control whose
    // tooltip never changes.
    QString tipFor(const QWidget* w) const;
    QString parameterTip(int index) const;
    void prepareTip(QWidget* w);
    // A tooltip on show follows its control's value.
    void followTip();
    void showStatus();
    // Why nothing plays and what to do, while that is so; empty otherwise.
    QStringList hintText(const TransportView& t) const;
    // "CC 74", or "no MIDI CC".
    QString controllerText(int slot) const;
    // Follows a learn the panel asked for, to show what was learnt.
    void watchLearning();
    void showReadout(const TransportView& t);

    PanelBackend& backend;
    std::unique_ptr<FileDialogs> dialogs;
    PresetLibrary presets;
    QPixmap background;
    QTimer gui;

    // The parameter controls, looked up by the engine's notices from any thread.
    mutable std::mutex controlsMutex;
    std::vector<Control*> parameterControls;
    std::vector<Control*> allControls; // main thread: repainted by processGui
    std::array<std::atomic<float>, kNumParams> values{};
    std::atomic<int> pendingSelection{-1}; // a pattern for the selector, from parameter 14
    std::atomic<int> handled{-1};          // the parameter of the control in a gesture

    // Controls the panel drives itself.
    SpinBox* stepCount = nullptr;
    SpinBox* tempo = nullptr;
    Switch* syncSwitch = nullptr;
    std::array<QLabel*, 3> syncCaptions{};
    DropDown* patternSync = nullptr;
    Lamp* activity = nullptr;
    QLabel* distParam2Caption = nullptr;
    Knob* distParam2Knob = nullptr;
    PatternSelector* selector = nullptr;
    KickButton* playButton = nullptr;
    KickButton* stopButton = nullptr;
    Keyboard* keyboard = nullptr;
    LedChaser* chaser = nullptr;
    ButtonGroup* pages = nullptr;
    Toggle* editSwitch = nullptr;
    std::array<Column, kColumns> columns{};
    QLineEdit* nameField = nullptr;
    DigitDisplay* display = nullptr;
    QLabel* presetName = nullptr;
    QWidget* presetArea = nullptr; // over the preset name: takes its clicks and shows its tooltip
    QPointer<QWidget> tipped;       // the control whose tooltip was shown last
    KickButton* tapButton = nullptr;
    LinesRow* lines = nullptr;
    Toggle* linesToggle = nullptr;
    std::vector<Knob*> voiceKnobs; // the row the lines row takes the place of
    DragHandle* dragHandle = nullptr;
    Button* chainSwitch = nullptr;
    Toggle* chainView = nullptr;
    ChainStrip* chainStrip = nullptr;
    std::optional<ChainEntries> chainSent; // an edit the back-end may not show yet
    int chainSentTicks = 0;
    std::array<QAction*, 4> keyActions{};
    int offeredSize = 0; // 0: the panel's menu offers no sizes

    PatternView shown; // the current pattern as last read
    int currentPage = 0;
    int shownSyncMode = -1;
    int activityTicks = 0;
    int blinkTicks = 0;
    int lastTouched = -1; // the parameter the readout shows
    QString lineCaption;  // or, when not empty, the line setting changed last
    QString lineValue;
    int touchedTicks = 0; // GUI ticks since it was touched
    int keyHintTicks = 0; // GUI ticks left for the hint that the keys are silent in this mode
    int learning = -1;    // the slot the panel asked to learn a controller for
    bool learningSeen = false; // the engine has taken that request
    int learnedSlot = -1; // the slot whose new controller the readout shows
    int learnedTicks = 0; // GUI ticks left for that
    QString lastFileDirectory;
    PatternHistory history;
    PatternHistory::Step fileUndo; // what the file being imported replaces
    QString importing;             // that file
    TapTempo taps;
    QElapsedTimer tapClock;
};

} // namespace quelvar
