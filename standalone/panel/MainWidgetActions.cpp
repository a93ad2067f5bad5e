// MainWidget: the keyboard's actions (undo and redo of pattern edits, play and stop, tap tempo)
// and the MIDI controller menu of the parameter controls.
#include "standalone/panel/MainWidget.h"

#include "bridge/bridgeProtocol.h"
#include "standalone/panel/KickButton.h"
#include "standalone/panel/PanelLook.h"
#include "standalone/panel/SpinBox.h"
#include "standalone/panel/Switch.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>

#include <algorithm>

namespace quelvar
{

namespace
{
// How long the readout shows a controller just learnt: 3 s of 40 ms ticks.
constexpr int kLearnedTicks = 75;
} // namespace

void MainWidget::createActions()
{
    const struct
    {
        const char* text;
        QKeySequence keys;
        void (MainWidget::*slot)();
    } made[] = {
        {"Undo", QKeySequence(Qt::CTRL | Qt::Key_Z), &MainWidget::undo},
        {"Redo", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), &MainWidget::redo},
        {"Play/Stop", QKeySequence(Qt::Key_Space), &MainWidget::playOrStop},
        {"Tap Tempo", QKeySequence(Qt::CTRL | Qt::Key_T), &MainWidget::tapTempo},
    };
    for (std::size_t i = 0; i < keyActions.size(); ++i)
    {
        auto* a = new QAction(QString::fromLatin1(made[i].text), this);
        a->setShortcut(made[i].keys);
        a->setShortcutVisibleInContextMenu(true);
        connect(a, &QAction::triggered, this, made[i].slot);
        addAction(a);
        keyActions[i] = a;
    }
    tapClock.start();
    updateActions();
}

void MainWidget::updateActions()
{
    action(Action::undo)->setEnabled(history.canUndo());
    action(Action::redo)->setEnabled(history.canRedo());
}

void MainWidget::recordEdit(int pattern, int mergeKey)
{
    const int index = pattern < 0 ? backend.transport().currentPattern : pattern;
    history.record(index, backend.pattern(index), mergeKey);
    updateActions();
}

void MainWidget::beginFileUndo(bool wholeSong, int pattern)
{
    fileUndo = {};
    if (!wholeSong)
    {
        const int index = pattern < 0 ? backend.transport().currentPattern : pattern;
        fileUndo.patterns.push_back({index, backend.pattern(index)});
    }
    else
    {
        for (int k = 0; k < kPatternsPerSong; ++k)
            fileUndo.patterns.push_back({k, backend.pattern(k)});
        fileUndo.chain = backend.chain();
    }
    // The step count goes back with its pattern; a trigger or the record switch is no setting
    // a file brings.
    for (int slot = 0; slot < kNumParams; ++slot)
        if (slot != kNbStep && slot != kTriggerPattern && slot != kStepRecord)
            fileUndo.settings.push_back({slot, backend.parameterValue(slot)});
}

// A bank refused at a damaged record keeps the records before it: that too is a step.
void MainWidget::endFileUndo(bool done)
{
    std::erase_if(fileUndo.settings, [this](const PatternHistory::Setting& s)
                  { return backend.parameterValue(s.slot) == s.value; });
    const bool changed =
        !fileUndo.settings.empty() || (fileUndo.chain && !(*fileUndo.chain == backend.chain())) ||
        std::any_of(fileUndo.patterns.begin(), fileUndo.patterns.end(),
                    [this](const PatternHistory::Snapshot& s)
                    { return backend.pattern(s.pattern) != s.contents; });
    if (done || changed)
        history.record(std::move(fileUndo));
    fileUndo = {};
    updateActions();
}

void MainWidget::undo()
{
    putBack(history.undo([this](int p) { return backend.pattern(p); },
                         [this](int slot) { return backend.parameterValue(slot); },
                         [this] { return backend.chain(); }));
}

void MainWidget::redo()
{
    putBack(history.redo([this](int p) { return backend.pattern(p); },
                         [this](int slot) { return backend.parameterValue(slot); },
                         [this] { return backend.chain(); }));
}

// The display shows the restored pattern at once; in the UI process the engine's refresh
// follows.
void MainWidget::putBack(const PatternHistory::Step& step)
{
    updateActions();
    const int current = backend.transport().currentPattern;
    for (const PatternHistory::Snapshot& s : step.patterns)
    {
        backend.restorePattern(s.pattern, s.contents);
        if (s.pattern != current)
            continue;
        shown = s.contents;
        stepCount->setNumberQuietly(shown.stepCount);
        if (!nameField->hasFocus())
            emit updatePatternNameDisplay(shown.name);
        refreshColumns();
    }
    for (const PatternHistory::Setting& s : step.settings)
    {
        setParameterAutomated(s.slot, s.value);
        setParameter(s.slot, s.value);
    }
    if (step.chain)
    {
        chainSent = *step.chain;
        chainSentTicks = 0;
        backend.setChain(*step.chain);
        refreshChain(backend.transport());
    }
}

void MainWidget::playOrStop()
{
    if (syncSwitch->position() != 1)
        return;
    if (backend.transport().internalRunning)
        internalStop();
    else
        internalPlay();
}

void MainWidget::tapTempo()
{
    if (syncSwitch->position() != 1)
        return;
    const int bpm = taps.tap(tapClock.elapsed());
    if (bpm == 0)
        return;
    tempo->setNumberQuietly(bpm);
    tempo->repaintIfChanged();
    setParameterAutomated(kTempo, tempo->value());
}

QMenu* MainWidget::buildPanelMenu()
{
    QMenu* menu = look::popupMenu(this);
    menu->addActions({action(Action::undo), action(Action::redo)});
    menu->addSeparator();
    menu->addActions({action(Action::playStop), action(Action::tapTempo)});
    if (offeredSize == 0)
        return menu;
    menu->addSeparator();
    QMenu* sizes = look::popupMenu(menu);
    sizes->setTitle(QStringLiteral("Size"));
    for (const int percent : bridge::kEditorScales)
    {
        QAction* a = sizes->addAction(QStringLiteral("%1 %").arg(percent));
        a->setCheckable(true);
        a->setChecked(percent == offeredSize);
        connect(a, &QAction::triggered, this, [this, percent] { emit sizeRequested(percent); });
    }
    menu->addMenu(sizes);
    return menu;
}

void MainWidget::contextMenuEvent(QContextMenuEvent* event)
{
    popUp(buildPanelMenu(), event->globalPos());
}

QString MainWidget::controllerText(int slot) const
{
    const int controller = backend.controllerOf(slot);
    return controller >= 0 ? QStringLiteral("CC %1").arg(controller)
                           : QStringLiteral("no MIDI CC");
}

QMenu* MainWidget::buildControlMenu(int slot)
{
    QMenu* menu = look::popupMenu(this);
    menu->addAction(QStringLiteral("%1: %2").arg(captionOf(slot), controllerText(slot)))
        ->setEnabled(false);
    menu->addSeparator();
    connect(menu->addAction(QStringLiteral("Learn MIDI CC")), &QAction::triggered, this,
            [this, slot]
            {
                learning = slot;
                learningSeen = false;
                backend.learnController(slot);
            });
    QAction* forget = menu->addAction(QStringLiteral("Forget MIDI CC"));
    forget->setEnabled(backend.controllerOf(slot) >= 0 || backend.learningSlot() == slot);
    connect(forget, &QAction::triggered, this,
            [this, slot]
            {
                if (learning == slot)
                    learning = -1;
                backend.forgetController(slot);
            });
    return menu;
}

// The engine takes the request a moment later (in the plugin, at its next poll); only a learn
// it has taken can end.
void MainWidget::watchLearning()
{
    if (learnedTicks > 0)
        --learnedTicks;
    if (learning < 0)
        return;
    if (backend.learningSlot() == learning)
    {
        learningSeen = true;
        return;
    }
    if (!learningSeen)
        return;
    // Learnt, or taken over by another slot: the readout says what the slot has now.
    learnedSlot = learning;
    learnedTicks = kLearnedTicks;
    learning = -1;
}

} // namespace quelvar
