// MainWidget: the step editor: its 16 columns over four pages and the pattern they show.
#include "standalone/panel/MainWidget.h"

#include "standalone/panel/Button.h"
#include "standalone/panel/ButtonGroup.h"
#include "standalone/panel/Control.h"
#include "standalone/panel/LedChaser.h"
#include "standalone/panel/LinesRow.h"
#include "standalone/panel/Notebox.h"
#include "standalone/panel/PanelLook.h"
#include "standalone/panel/SpinBox.h"
#include "standalone/panel/Switch.h"
#include "standalone/panel/Toggle.h"
#include "standalone/panel/panelLayout.h"

#include <QLineEdit>

#include <algorithm>

namespace quelvar
{

using panelLayout::columnX;
using panelLayout::kColumnPitch;
using panelLayout::kColumnWidth;
using panelLayout::kGroupGap;
using panelLayout::kNotesPerOctave;

namespace
{
constexpr const char* kPageTexts[4] = {"steps 1 - 16", "steps 17 - 32", "steps 33 - 48",
                                       "steps 49 - 64"};
} // namespace

std::array<Control*, 5> MainWidget::Column::controls() const
{
    return {on, note, octave, accent, slide};
}

void MainWidget::buildStepEditor()
{
    chaser = new LedChaser(kColumns, kColumnPitch, kGroupGap, this);
    chaser->setObjectName(QStringLiteral("step_lamps"));
    chaser->setGeometry(columnX(0), 240, columnX(kColumns - 1) + kColumnPitch - columnX(0), 13);

    for (int i = 0; i < kColumns; ++i)
    {
        Column& c = columns[static_cast<std::size_t>(i)];
        const int x = columnX(i);
        c.on = new Button(i, Button::Look::key, this);
        c.on->setObjectName(QStringLiteral("step_on_%1").arg(i));
        c.on->setGeometry(x, 256, kColumnWidth, 16);
        c.on->setLampColour(look::kLedRed);
        c.note = new Notebox(i, this);
        c.note->setObjectName(QStringLiteral("note_%1").arg(i));
        c.note->setGeometry(x, 275, kColumnWidth, 18);
        c.note->setNoteQuietly(kDefaultStepNote - 1);
        c.octave = new Octavebox(i, this);
        c.octave->setObjectName(QStringLiteral("octave_%1").arg(i));
        c.octave->setGeometry(x, 296, kColumnWidth, 16);
        c.octave->setOctaveQuietly((kDefaultStepNote - 1) / kNotesPerOctave);
        c.accent = new Button(i, Button::Look::key, this);
        c.accent->setObjectName(QStringLiteral("accent_%1").arg(i));
        c.accent->setGeometry(x, 315, kColumnWidth, 15);
        c.accent->setLampColour(look::kLedOrange);
        c.slide = new Button(i, Button::Look::key, this);
        c.slide->setObjectName(QStringLiteral("slide_%1").arg(i));
        c.slide->setGeometry(x, 333, kColumnWidth, 15);
        c.slide->setLampColour(look::kLedGreen);
        // Their indices are columns, not parameters: they stay out of the parameter list.
        for (Control* w : c.controls())
            allControls.push_back(w);
        connect(c.on, &Control::valueChanged, this, &MainWidget::setStep);
        connect(c.note, &Notebox::noteChanged, this, &MainWidget::setNote);
        connect(c.octave, &Octavebox::octaveRequested, this, &MainWidget::setOctave);
        connect(c.accent, &Control::valueChanged, this, &MainWidget::setAccent);
        connect(c.slide, &Control::valueChanged, this, &MainWidget::setSlide);
    }

    pages = new ButtonGroup(this);
    for (int p = 0; p < kPages; ++p)
    {
        auto* t = new Toggle(p, QString::fromLatin1(kPageTexts[p]), this);
        t->setObjectName(QStringLiteral("page_%1").arg(p));
        t->setGeometry(521, 240 + 19 * p, 92, 17);
        t->setToolTip(QStringLiteral("Shows %1 in the step editor").arg(QString::fromLatin1(kPageTexts[p])));
        pages->add(t);
        allControls.push_back(t);
        connect(t, &Control::valueChanged, this, &MainWidget::switchBar);
    }
    editSwitch = new Toggle(0, QStringLiteral("edit steps"), this);
    editSwitch->setObjectName(QStringLiteral("edit_steps"));
    editSwitch->setGeometry(521, 320, 92, 17);
    editSwitch->setToolTip(QStringLiteral("EDIT STEPS\nEdit any page while the sequencer plays: "
                                          "the page stays where you put it"));
    allControls.push_back(editSwitch);
    connect(editSwitch, &Control::valueChanged, this, &MainWidget::setStepEditable);
}

void MainWidget::updatePatternDisplay()
{
    updatePatternDisplay(true);
}

void MainWidget::updatePatternDisplay(bool everything)
{
    if (everything)
    {
        for (int i = 0; i < kNumParams; ++i)
            setParameter(i, backend.parameterValue(i));
    }
    const TransportView t = backend.transport();
    shown = backend.pattern(t.currentPattern);
    stepCount->setNumberQuietly(shown.stepCount);
    if (!nameField->hasFocus() && nameField->text() != shown.name)
        emit updatePatternNameDisplay(shown.name);
    refreshColumns();
    refreshChain(t);
    if (everything)
    {
        lines->showSettings(backend.lineSettings());
        for (Control* c : allControls)
            c->repaintIfChanged();
    }
}

void MainWidget::refreshColumns()
{
    for (int i = 0; i < kColumns; ++i)
    {
        Column& c = columns[static_cast<std::size_t>(i)];
        const int step = stepOf(i);
        const StepView& s = shown.steps[static_cast<std::size_t>(step)];
        const bool playable = step < shown.stepCount;
        c.on->setValueQuietly(s.note != 0 ? 1.0f : 0.0f);
        // A rest keeps the note box's note, so switching the step on again brings it back.
        if (s.note != 0)
        {
            c.note->setNoteQuietly(s.note - 1);
            c.octave->setOctaveQuietly((s.note - 1) / kNotesPerOctave);
        }
        c.accent->setValueQuietly(s.accent ? 1.0f : 0.0f);
        c.slide->setValueQuietly(s.slide ? 1.0f : 0.0f);
        c.note->setDimmed(s.note == 0 || !playable);
        c.octave->setDimmed(s.note == 0 || !playable);
        for (Control* w : c.controls())
        {
            w->setEnabled(playable);
            w->repaintIfChanged();
        }
        c.on->setDimmed(!playable);
        c.accent->setDimmed(!playable);
        c.slide->setDimmed(!playable);
    }
    chaser->setFirstNumber(1 + kColumns * currentPage);
    showStatus();
}

void MainWidget::showPage(int p)
{
    currentPage = std::clamp(p, 0, kPages - 1);
    pages->setChecked(currentPage);
    refreshColumns();
}

void MainWidget::setStep(int column, float on)
{
    if (column < 0 || column >= kColumns)
        return;
    Column& c = columns[static_cast<std::size_t>(column)];
    const int step = stepOf(column);
    const int note = on != 0.0f ? c.note->note() + 1 : 0;
    recordEdit(-1);
    shown.steps[static_cast<std::size_t>(step)].note = note;
    backend.editStep(StepField::note, step, note);
    c.note->setDimmed(note == 0);
    c.octave->setDimmed(note == 0);
}

void MainWidget::setNote(int column, int n)
{
    if (column < 0 || column >= kColumns)
        return;
    Column& c = columns[static_cast<std::size_t>(column)];
    n = std::clamp(n, 0, Notebox::kHighest);
    c.octave->setOctaveQuietly(n / kNotesPerOctave);
    c.octave->repaintIfChanged();
    const int step = stepOf(column);
    StepView& s = shown.steps[static_cast<std::size_t>(step)];
    if (s.note != 0)
    {
        recordEdit(-1, PatternHistory::noteKey(step));
        s.note = n + 1;
        backend.editStep(StepField::note, step, n + 1);
    }
}

void MainWidget::setOctave(int column, int octave)
{
    if (column < 0 || column >= kColumns)
        return;
    Column& c = columns[static_cast<std::size_t>(column)];
    int n = c.note->note();
    const int current = n / kNotesPerOctave;
    // One octave toward the request, and only while the note stays within the range.
    if (octave > current && n + kNotesPerOctave <= Notebox::kHighest)
        n += kNotesPerOctave;
    else if (octave < current && n - kNotesPerOctave >= 0)
        n -= kNotesPerOctave;
    c.note->setNoteQuietly(n);
    c.octave->setOctaveQuietly(n / kNotesPerOctave);
    c.note->repaintIfChanged();
    c.octave->repaintIfChanged();
    const int step = stepOf(column);
    StepView& s = shown.steps[static_cast<std::size_t>(step)];
    if (s.note != 0 && s.note != n + 1)
    {
        recordEdit(-1, PatternHistory::noteKey(step));
        s.note = n + 1;
        backend.editStep(StepField::note, step, n + 1);
    }
}

void MainWidget::setSlide(int column, float on)
{
    if (column < 0 || column >= kColumns)
        return;
    const int step = stepOf(column);
    recordEdit(-1);
    shown.steps[static_cast<std::size_t>(step)].slide = on != 0.0f;
    backend.editStep(StepField::slide, step, on != 0.0f ? 1 : 0);
}

void MainWidget::setAccent(int column, float on)
{
    if (column < 0 || column >= kColumns)
        return;
    const int step = stepOf(column);
    recordEdit(-1);
    shown.steps[static_cast<std::size_t>(step)].accent = on != 0.0f;
    backend.editStep(StepField::accent, step, on != 0.0f ? 1 : 0);
}

void MainWidget::switchBar(int page, float on)
{
    if (on == 0.0f || page < 0 || page >= kPages)
        return;
    if (syncSwitch->position() == 2 || !sequencerPlaying() || stepsEditable())
        showPage(page);
    else
        pages->setChecked(currentPage); // refused: the lit button stays where it was
}

bool MainWidget::stepsEditable() const
{
    return editSwitch->isOn();
}

void MainWidget::setStepEditable(int, float on)
{
    editSwitch->setOnQuietly(on != 0.0f);
    if (stepsEditable())
        chaser->setPosition(-1);
    showStatus();
}

void MainWidget::stepPlayed(int step)
{
    if (!stepLampsRunning() || step < 0 || step >= kColumns * kPages)
        return;
    // While the sequencer plays and steps are not editable, the page follows it.
    if (step / kColumns != currentPage)
        showPage(step / kColumns);
    chaser->setPosition(step % kColumns);
}

} // namespace quelvar
