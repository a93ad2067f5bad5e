// MainWidget: the display's readout and status line.
#include "standalone/panel/MainWidget.h"

#include "standalone/panel/ChainStrip.h"
#include "standalone/panel/DigitDisplay.h"
#include "standalone/panel/DropDown.h"
#include "standalone/panel/PatternSelector.h"
#include "standalone/panel/SpinBox.h"
#include "standalone/panel/Switch.h"
#include "standalone/panel/panelLayout.h"

#include <QLabel>

namespace quelvar
{

using panelLayout::kSyncTexts;

namespace
{
// How long a touched control keeps the readout from a hint: 3 s of 40 ms ticks.
constexpr int kReadoutTicks = 75;
} // namespace

QString MainWidget::captionOf(int index) const
{
    static const char* const captions[kNumParams] = {
        "VOLUME",     "WAVEFORM",  "TUNE",      "CUT OFF",      "RES",        "M ENV",
        "DECAY",      "ACCENT",    "GATE",      "GROOVE",       "STEPS",      "PATTERN SYNC",
        "SLIDE TIME", "ANTIALIAS", "PATTERN",   "DELAY",        "DELAY SYNC", "PING PONG",
        "DELAY TIME", "DELAY VOL", "FEEDBACK",  "DELAY FILTER", "DISTORTION", "DIST TYPE",
        "DRIVE",      "",          "SYNC MODE", "TEMPO",        "STEP RECORD", "CHAIN"};
    if (index == kDistParam2)
    {
        const QString label = distParam2Caption->text();
        return label.isEmpty() ? QStringLiteral("DIST PARAM") : label.toUpper();
    }
    return index >= 0 && index < kNumParams ? QString::fromLatin1(captions[index]) : QString();
}

QString MainWidget::readoutText(int index) const
{
    switch (index)
    {
    case kNbStep:
        return QString::number(stepCount->number());
    case kTempo:
        return QStringLiteral("%1 BPM").arg(tempo->number());
    case kSyncType:
        return QString::fromLatin1(kSyncTexts[syncSwitch->position()]).trimmed();
    case kPattSync:
        return patternSync->text();
    case kStepRecord:
    case kChainPlay:
        return parameterValue(index) >= 0.5f ? QStringLiteral("ON") : QStringLiteral("OFF");
    default:
        break;
    }
    QString text = backend.parameterText(index).trimmed();
    // Decimals to two places at most: the engine writes up to eight characters.
    bool number = false;
    const double v = text.toDouble(&number);
    if (number && text.contains(QLatin1Char('.')))
    {
        text = QString::number(v, 'f', 2);
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
    }
    if (index >= 0 && index < 10)
    {
        const QString unit = QString::fromLatin1(kParamLabels[index]).trimmed();
        if (!unit.isEmpty())
            text += QLatin1Char(' ') + unit;
    }
    return text;
}

void MainWidget::showStatus()
{
    const TransportView t = backend.transport();
    const int bpm = syncSwitch->position() == 0 && t.hostTempoBpm > 0 ? t.hostTempoBpm
                                                                      : tempo->number();
    // While a chain plays, its entry takes the page's place: the page buttons show the page.
    QString text = t.chainEntry >= 0
                       ? QStringLiteral("CHAIN %1/%2   %3 STEPS   %4 BPM")
                             .arg(t.chainEntry + 1)
                             .arg(chainStrip->shownChain().size())
                             .arg(shown.stepCount)
                             .arg(bpm)
                       : QStringLiteral("%1 STEPS   PAGE %2   %3 BPM")
                             .arg(shown.stepCount)
                             .arg(currentPage + 1)
                             .arg(bpm);
    if (stepsEditable())
        text += QStringLiteral("   EDIT");
    display->setStatus(text);
}

void MainWidget::showReadout(const TransportView& t)
{
    if (keyHintTicks > 0)
        --keyHintTicks;
    ++touchedTicks;
    const QStringList hint = hintText(t);
    const bool touchedLately =
        (lastTouched >= 0 || !lineCaption.isEmpty()) && touchedTicks <= kReadoutTicks;
    const bool hinting =
        learning >= 0 || keyHintTicks > 0 || (!touchedLately && learnedTicks == 0);
    display->setHint(hinting ? hint : QStringList());
    if (learnedTicks > 0)
        display->setReadout(captionOf(learnedSlot), controllerText(learnedSlot));
    else if (lastTouched >= 0)
        display->setReadout(captionOf(lastTouched), readoutText(lastTouched));
    else if (!lineCaption.isEmpty())
        display->setReadout(lineCaption, lineValue);
    else if (t.chainEntry >= 0)
        display->setReadout(QStringLiteral("CHAIN %1 OF %2").arg(t.chainEntry + 1)
                                .arg(chainStrip->shownChain().size()),
                            PatternSelector::label(t.currentPattern));
    else
        display->setReadout(QStringLiteral("PATTERN"), PatternSelector::label(t.currentPattern));
}

QStringList MainWidget::hintText(const TransportView& t) const
{
    if (learning >= 0)
        return {QStringLiteral("MOVE A MIDI CONTROLLER"),
                QStringLiteral("TO MOVE %1 WITH IT").arg(captionOf(learning))};
    if (keyHintTicks > 0)
        return {QStringLiteral("THE KEYS PLAY IN MIDI IN MODE"),
                QStringLiteral("CLICK \"MIDI IN\" TO PLAY THEM")};
    switch (syncSwitch->position())
    {
    case 0:
        if (!t.hostPlaying)
            return {QStringLiteral("MIDI SYNC: WAITING FOR MIDI CLOCK"),
                    QStringLiteral("SWITCH TO INTERNAL TO PLAY")};
        break;
    case 1:
        if (!t.internalRunning)
            return {QStringLiteral("INTERNAL: PRESS PLAY"),
                    QStringLiteral("THE KEYS PLAY IN MIDI IN MODE")};
        break;
    default:
        break;
    }
    return {};
}

} // namespace quelvar
