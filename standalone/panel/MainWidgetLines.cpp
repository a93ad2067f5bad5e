// MainWidget: lines in a key (the lines row in place of the voice knobs, and its edits) and the
// drag handle that hands the playing line to a DAW.
#include "standalone/panel/MainWidget.h"

#include "standalone/panel/DigitDisplay.h"
#include "standalone/panel/DragHandle.h"
#include "standalone/panel/Knob.h"
#include "standalone/panel/LinesRow.h"
#include "standalone/panel/Toggle.h"

namespace quelvar
{

void MainWidget::buildLines()
{
    lines = new LinesRow(this);
    lines->move(8, 157);
    lines->hide();
    connect(lines, &LinesRow::settingsChanged, this,
            [this](const LineSettings& s, const QString& caption, const QString& value)
            {
                backend.setLineSettings(s);
                showLineReadout(caption, value);
            });
    connect(lines, &LinesRow::generate, this, [this] { editLine(LineEdit::generate); });
    connect(lines, &LinesRow::mutate, this, [this] { editLine(LineEdit::mutate); });
    connect(lines, &LinesRow::fitToKey, this, [this] { editLine(LineEdit::fitToKey); });

    linesToggle = new Toggle(-1, QStringLiteral("lines"), this);
    linesToggle->setObjectName(QStringLiteral("lines"));
    linesToggle->setGeometry(546, 216, 62, 16);
    linesToggle->setToolTip(QStringLiteral("LINES\nThe key, the scale and Generate, Mutate and "
                                           "Fit to key in place of the voice knobs; again for "
                                           "the knobs"));
    allControls.push_back(linesToggle);
    connect(linesToggle, &Toggle::toggled, this, &MainWidget::showLines);

    dragHandle = new DragHandle(this);
    dragHandle->setObjectName(QStringLiteral("drag_midi"));
    dragHandle->setGeometry(398, 12, 36, 16);
    dragHandle->setToolTip(QStringLiteral("DRAG MIDI\nDrag the pattern (while chain play is on, "
                                          "the chain) into your DAW: a standard MIDI file at the "
                                          "tempo it plays at"));
    connect(dragHandle, &DragHandle::fileWanted, this,
            [this] { backend.writeLineFile(draggedFilesFolder()); });
    connect(&backend, &PanelBackend::lineFileWritten, dragHandle, &DragHandle::setFile);
    connect(dragHandle, &DragHandle::failed, this,
            [this]
            { showLineReadout(QStringLiteral("DRAG MIDI"), QStringLiteral("NOT WRITTEN")); });
}

bool MainWidget::linesShown() const
{
    return lines && !lines->isHidden();
}

// The knobs missed the notices while hidden (a hidden control is not looked up): they take the
// values the panel kept as they come back.
void MainWidget::showLines(bool on)
{
    linesToggle->setOnQuietly(on);
    lines->setVisible(on);
    for (Knob* k : voiceKnobs)
    {
        k->setVisible(!on);
        if (!on)
        {
            k->setValueQuietly(parameterValue(k->index()));
            k->repaintIfChanged();
        }
    }
    if (on)
        lines->showSettings(backend.lineSettings());
    update();
}

void MainWidget::editLine(LineEdit edit)
{
    recordEdit(-1);
    backend.editLine(edit);
    updatePatternDisplay(false);
}

void MainWidget::showLineReadout(const QString& caption, const QString& value)
{
    lastTouched = -1;
    lineCaption = caption;
    lineValue = value;
    touchedTicks = 0;
}

} // namespace quelvar
