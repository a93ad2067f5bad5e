// MainWidget: the tooltips of the controls that carry a value. Each is made as it shows (what
// the control is, its value, the MIDI controller that moves it) and made again while it shows,
// so it follows the values and the controller map.
#include "standalone/panel/MainWidget.h"

#include "standalone/panel/Button.h"
#include "standalone/panel/Control.h"
#include "standalone/panel/Notebox.h"
#include "standalone/panel/PatternSelector.h"

#include <QCursor>
#include <QToolTip>

#include <algorithm>

namespace quelvar
{

namespace
{
// What a parameter does, under its caption and value; empty for the slots no control carries.
const char* parameterDoes(int index)
{
    switch (index)
    {
    case kVolume:
        return "The output level";
    case kWaveform:
        return "Saw or square oscillator";
    case kTuning:
        return "The pitch of the voice";
    case kCutoff:
        return "The filter's cutoff frequency";
    case kResonance:
        return "The filter's resonance";
    case kEnvMod:
        return "How far the envelope opens the filter";
    case kDecay:
        return "How fast the filter's envelope falls";
    case kAccent:
        return "How far accented steps stand out";
    case kGate:
        return "Where in its step a note is let go";
    case kGroove:
        return "Delays every second step, for a shuffle";
    case kNbStep:
        return "The current pattern's length in steps";
    case kPattSync:
        return "Where a pattern chosen while the sequencer plays starts";
    case kDelayOn:
        return "The tempo delay on or off";
    case kDelaySync:
        return "The delay time in note values at the tempo";
    case kDelayPing:
        return "Echoes alternate between left and right";
    case kDelayTime:
        return "The time between echoes";
    case kDelayVolume:
        return "The level of the echoes";
    case kDelayFeedback:
        return "How long the echoes go on";
    case kDelayFilter:
        return "Darker echoes to the left, thinner to the right";
    case kDistOn:
        return "Distortion on or off; right click for its type";
    case kDistParam1:
        return "How hard the distortion is driven";
    case kDistParam2:
        return "The distortion's second setting, named by its type";
    case kSyncType:
        return "midi sync follows MIDI clock or the host, internal plays on its own tempo, "
               "midi in plays the voice from notes";
    case kTempo:
        return "The internal tempo; in midi sync, the host's";
    case kStepRecord:
        return "Held MIDI keys are written into the steps as they play";
    case kChainPlay:
        return "Plays the chain, entry after entry; choosing a pattern while it plays leaves it";
    default:
        return "";
    }
}

QString onOff(const Control* c)
{
    return c->value() >= 0.5f ? QStringLiteral("ON") : QStringLiteral("OFF");
}
} // namespace

// "CUT OFF 25 % — CC 74", then what it does.
QString MainWidget::parameterTip(int index) const
{
    QString tip = QStringLiteral("%1 %2 \u2014 %3")
                      .arg(captionOf(index), readoutText(index), controllerText(index));
    const QString does = QString::fromLatin1(parameterDoes(index));
    return does.isEmpty() ? tip : tip + QLatin1Char('\n') + does;
}

QString MainWidget::tipFor(const QWidget* w) const
{
    if (w == selector)
        return QStringLiteral("PATTERN %1\nA bank key (A\u2013D), then a key 1\u20138, chooses "
                              "the pattern to play; right click a key for its menu")
            .arg(PatternSelector::label(selector->selected()));
    const auto* c = qobject_cast<const Control*>(w);
    if (!c)
        return {};
    {
        std::lock_guard lock(controlsMutex);
        if (std::find(parameterControls.begin(), parameterControls.end(), c) !=
            parameterControls.end())
            return parameterTip(c->index());
    }
    const auto column = std::find_if(columns.begin(), columns.end(),
                                     [c](const Column& col)
                                     {
                                         const auto controls = col.controls();
                                         return std::find(controls.begin(), controls.end(), c) !=
                                                controls.end();
                                     });
    if (column == columns.end())
        return {};
    const QString step = QStringLiteral("STEP %1 ").arg(stepOf(c->index()) + 1);
    if (c == column->on)
        return step + onOff(c) + QStringLiteral("\nA note when lit, a rest when dark");
    if (c == column->note)
        return step +
               QStringLiteral("NOTE %1, OCTAVE %2\nThe upper half raises it a semitone, the "
                              "lower half lowers it; drag or turn the wheel for more")
                   .arg(Notebox::noteName(column->note->note()))
                   .arg(column->octave->octave());
    if (c == column->octave)
        return step + QStringLiteral("OCTAVE %1\nThe upper half raises the note an octave, the "
                                     "lower half lowers it")
                          .arg(column->octave->octave());
    if (c == column->accent)
        return step + QStringLiteral("ACCENT ") + onOff(c) +
               QStringLiteral("\nLouder, with the filter opened further");
    return step + QStringLiteral("SLIDE ") + onOff(c) +
           QStringLiteral("\nHolds the note and glides into the next step's");
}

void MainWidget::prepareTip(QWidget* w)
{
    const QString tip = tipFor(w);
    if (tip.isEmpty())
        return;
    w->setToolTip(tip);
    tipped = w;
}

void MainWidget::followTip()
{
    if (!tipped || !QToolTip::isVisible() || QToolTip::text() != tipped->toolTip())
        return;
    const QString tip = tipFor(tipped);
    if (tip.isEmpty() || tip == tipped->toolTip())
        return;
    tipped->setToolTip(tip);
    QToolTip::showText(QCursor::pos(), tip, tipped);
}

} // namespace quelvar
