// MainWidget: sync mode, play and stop, and the engine's MIDI notices.
#include "standalone/panel/MainWidget.h"

#include "standalone/panel/DropDown.h"
#include "standalone/panel/Keyboard.h"
#include "standalone/panel/KickButton.h"
#include "standalone/panel/LedChaser.h"
#include "standalone/panel/SpinBox.h"
#include "standalone/panel/Switch.h"
#include "standalone/panel/panelLayout.h"

#include <QLabel>

namespace quelvar
{

using panelLayout::kSyncTexts;

namespace
{
constexpr const char* kActiveCaption = "color:rgb(255,170,0);";
constexpr const char* kIdleCaption = "color:rgb(220,220,220);";
} // namespace

void MainWidget::changeSyncMode(int, float)
{
    const int mode = syncSwitch->position();
    shownSyncMode = mode;
    for (int k = 0; k < 3; ++k)
        syncCaptions[static_cast<std::size_t>(k)]->setStyleSheet(
            QString::fromLatin1(k == mode ? kActiveCaption : kIdleCaption));
    // Internal sync plays from the panel; the host (or MIDI clock) drives host sync; MIDI in
    // plays the voice from notes and the keyboard.
    playButton->setEnabled(mode == 1);
    stopButton->setEnabled(mode == 1);
    tapButton->setEnabled(mode == 1);
    tempo->setReadOnly(mode == 0);
    // In host sync the box showed the host's tempo; the sequencer now runs on its own.
    if (mode != 0)
        tempo->setValueQuietly(parameterValue(kTempo));
    if (mode != 2)
        keyboard->clearLit();
    keyboard->setToolTip(mode == 2 ? QStringLiteral("Click a key to play the voice; the lower on "
                                                    "the key, the harder it plays.")
                                   : QStringLiteral("The keys play the voice in midi in mode; in "
                                                    "%1 they are silent.")
                                         .arg(QString::fromLatin1(kSyncTexts[mode]).trimmed()));
}

void MainWidget::setPatternsync(int choice)
{
    patternSync->setChoiceQuietly(choice);
    patternSync->repaintIfChanged();
    setParameterAutomated(kPattSync, patternSync->value());
}

void MainWidget::internalPlay()
{
    if (syncSwitch->position() != 1)
        return;
    backend.play();
    playButton->setLampLit(true);
}

void MainWidget::internalStop()
{
    if (syncSwitch->position() != 1)
        return;
    backend.stop();
    playButton->setLampLit(false);
    chaser->setPosition(-1);
}

void MainWidget::midiMessage(int status, int data1, int data2)
{
    const int mode = syncSwitch->position();
    if (mode == 2 && (status == 0x90 || status == 0x80))
        keyboard->setLit(data1, status == 0x90 && data2 > 0);
    else if (mode == 0 && status == 0xFA)
        playButton->setLampLit(true);
    else if (mode == 0 && status == 0xFC)
    {
        playButton->setLampLit(false);
        chaser->setPosition(-1);
    }
}

} // namespace quelvar
