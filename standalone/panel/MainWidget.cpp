// MainWidget: construction, the parameter controls and their notices, the events it watches on
// its controls, and the 40 ms GUI tick.
#include "standalone/panel/MainWidget.h"

#include "engine/parameterTable.h"
#include "standalone/panel/Control.h"
#include "standalone/panel/DigitDisplay.h"
#include "standalone/panel/FileDialogs.h"
#include "standalone/panel/KickButton.h"
#include "standalone/panel/LedChaser.h"
#include "standalone/panel/PanelLook.h"
#include "standalone/panel/PatternSelector.h"
#include "standalone/panel/SpinBox.h"
#include "standalone/panel/Switch.h"
#include "standalone/panel/panelLayout.h"

#include <QKeyEvent>
#include <QLineEdit>

namespace quelvar
{

namespace
{
constexpr int kActivityTicks = 6;
constexpr int kBlinkTicks = 6;

} // namespace

MainWidget::MainWidget(PanelBackend& backend, QWidget* parent, QString presetFolder)
    : QWidget(parent), backend(backend), dialogs(std::make_unique<QtFileDialogs>()),
      presets(presetFolder.isEmpty() ? PresetLibrary::defaultFolder() : presetFolder)
{
    setObjectName(QStringLiteral("mainWidget"));
    setFixedSize(kWidth, kHeight);
    // A click anywhere on the panel takes the keys from the name field.
    setFocusPolicy(Qt::ClickFocus);
    setFont(look::font(12));
    background = paintBackground(devicePixelRatioF());

    buildControls();
    buildStepEditor();
    buildBottomRow();
    buildLines();
    buildChain();
    createActions();

    connect(&backend, &PanelBackend::parameterChanged, this, &MainWidget::setParameter);
    connect(&backend, &PanelBackend::refreshed, this,
            qOverload<>(&MainWidget::updatePatternDisplay));
    connect(&backend, &PanelBackend::stepPlayed, this, &MainWidget::stepPlayed);
    connect(&backend, &PanelBackend::imported, this, &MainWidget::importFinished);
    connect(&backend, &PanelBackend::midiMessage, this, &MainWidget::midiMessage);
    connect(&backend, &PanelBackend::distortionTypeChanged, this,
            &MainWidget::setDistoParam2LabelText);
    connect(this, &MainWidget::updatePatternNameDisplay, nameField, &QLineEdit::setText);

    // As the editor opens: the engine's values, page 0, the distortion caption, the presets.
    updatePatternDisplay(true);
    showPage(0);
    setDistoParam2LabelText(panelLayout::distortionTypeOf(parameterValue(kDistSelect)));
    presets.installFactoryPatterns();
    presets.scan();
    for (QWidget* w : findChildren<QWidget*>())
        w->installEventFilter(this);
    processGui();
    connect(&gui, &QTimer::timeout, this, &MainWidget::processGui);
    gui.start(kGuiTickMs);
}

MainWidget::~MainWidget()
{
    gui.stop();
    std::lock_guard lock(controlsMutex);
    parameterControls.clear();
}

Control* MainWidget::shownControl(int index) const
{
    for (Control* c : parameterControls)
    {
        if (c->index() == index && !c->isHidden())
            return c;
    }
    return nullptr;
}

Control* MainWidget::control(int index) const
{
    std::lock_guard lock(controlsMutex);
    return shownControl(index);
}

float MainWidget::parameterValue(int index) const
{
    if (index < 0 || index >= kNumParams)
        return 0.0f;
    return values[static_cast<std::size_t>(index)].load(std::memory_order_relaxed);
}

void MainWidget::setParameter(int index, float value)
{
    if (index < 0 || index >= kNumParams)
        return;
    values[static_cast<std::size_t>(index)].store(value, std::memory_order_relaxed);
    if (index == kTriggerPattern)
    {
        // The engine ignores the slot's 1.0 (a 33rd pattern); a program change that chose a
        // pattern past the slot's 32 is told as a value past 1.0, and no key lights for it.
        const int p = static_cast<int>(value * PatternSelector::kPatterns);
        if (p >= 0 && (p < PatternSelector::kPatterns || (value > 1.0f && p < PatternSelector::kSongPatterns)))
            pendingSelection.store(p, std::memory_order_relaxed);
        return;
    }
    // The control in the user's hand keeps what the hand gives it: an echo of an earlier move
    // arriving late would make it jump back.
    if (index == handled.load(std::memory_order_relaxed))
        return;
    std::lock_guard lock(controlsMutex);
    if (Control* c = shownControl(index))
        c->setValueQuietly(value);
}

void MainWidget::setParameterAutomated(int index, float value)
{
    if (index < 0 || index >= kNumParams)
        return;
    if (index == kNbStep)
        recordEdit(-1, PatternHistory::kStepCountKey);
    values[static_cast<std::size_t>(index)].store(value, std::memory_order_relaxed);
    lastTouched = index;
    lineCaption.clear();
    touchedTicks = 0;
    backend.setParameter(index, value);
    if (index == kNbStep)
    {
        shown.stepCount = stepCount->number();
        refreshColumns();
    }
}

void MainWidget::plugBeginEdit(int index)
{
    if (index < 0 || index >= kNumParams)
        return;
    handled.store(index, std::memory_order_relaxed);
    backend.beginEdit(index);
}

void MainWidget::plugEndEdit(int index)
{
    if (index < 0 || index >= kNumParams)
        return;
    handled.store(-1, std::memory_order_relaxed);
    backend.endEdit(index);
}

bool MainWidget::eventFilter(QObject* watched, QEvent* event)
{
    // Escape in the name field gives the keys back and leaves the name as it was.
    if (watched == nameField && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
    {
        nameField->setText(shown.name);
        nameField->clearFocus();
        return true;
    }
    if (event->type() == QEvent::ToolTip && watched->isWidgetType())
        prepareTip(static_cast<QWidget*>(watched));
    return QWidget::eventFilter(watched, event);
}

bool MainWidget::sequencerPlaying() const
{
    const TransportView t = backend.transport();
    if (t.syncType == 1)
        return t.internalRunning;
    if (t.syncType == 0)
        return t.hostPlaying;
    return false;
}

bool MainWidget::stepLampsRunning() const
{
    return playButton->lampLit() && !stepsEditable();
}

void MainWidget::processGui()
{
    const TransportView t = backend.transport();
    const int mode = syncSwitch->position();

    // Parameter 14 moves the selector in MIDI-in sync always, otherwise only while stopped.
    const int pending = pendingSelection.load(std::memory_order_relaxed);
    if (pending >= 0 && (mode == 2 || !sequencerPlaying()))
    {
        pendingSelection.store(-1, std::memory_order_relaxed);
        selector->setSelected(pending);
    }
    // In host sync the tempo box shows the host's tempo.
    if (mode == 0 && t.hostTempoBpm > 0 && tempo->number() != t.hostTempoBpm)
        tempo->setNumberQuietly(t.hostTempoBpm);

    for (Control* c : allControls)
        c->repaintIfChanged();
    if (mode != shownSyncMode)
        changeSyncMode(kSyncType, syncSwitch->value());

    // The play lamp and the step lamps follow the transport.
    const bool playing = (mode == 1 && t.internalRunning) || (mode == 0 && t.hostPlaying);
    playButton->setLampLit(playing);
    if (!stepLampsRunning())
        chaser->setPosition(-1);

    // Activity lamp: blinks while the sequencer runs with step record on.
    if (playing && parameterValue(kStepRecord) >= 0.5f)
    {
        if (++activityTicks > kActivityTicks)
        {
            activityTicks = 0;
            activity->setLit(!activity->isLit());
        }
    }
    else
    {
        activityTicks = 0;
        activity->setLit(false);
    }

    if (++blinkTicks > kBlinkTicks)
        blinkTicks = 0;
    selector->setPlaying(t.currentPattern);
    selector->setBlink(blinkTicks < kBlinkTicks / 2);

    watchLearning();
    refreshChain(t);
    showReadout(t);
    showStatus();
    followTip();
}

} // namespace quelvar
