// MainWidget: edits of the current pattern and the distortion caption.
#include "standalone/panel/MainWidget.h"

#include "standalone/panel/Knob.h"

#include <QLabel>
#include <QLineEdit>

namespace quelvar
{

namespace
{
constexpr const char* kParam2Labels[4] = {"Dry/Wet", "SCREAM", "", "THRSLD"};
} // namespace

void MainWidget::patternRandom()
{
    recordEdit(-1);
    backend.randomise(Randomise::pattern);
}

void MainWidget::patternClear()
{
    recordEdit(-1);
    backend.editCurrentPattern(PatternEdit::clear);
    updatePatternDisplay(false);
}

void MainWidget::patternCopy()
{
    backend.editCurrentPattern(PatternEdit::copy);
}

void MainWidget::patternPaste()
{
    recordEdit(-1);
    backend.editCurrentPattern(PatternEdit::paste);
    updatePatternDisplay(false);
}

void MainWidget::transposeUp()
{
    recordEdit(-1);
    backend.editCurrentPattern(PatternEdit::transposeUp);
    updatePatternDisplay(false);
}

void MainWidget::transposeDown()
{
    recordEdit(-1);
    backend.editCurrentPattern(PatternEdit::transposeDown);
    updatePatternDisplay(false);
}

void MainWidget::shiftStepLeft()
{
    recordEdit(-1);
    backend.editCurrentPattern(PatternEdit::shiftLeft);
    updatePatternDisplay(false);
}

void MainWidget::shiftStepRight()
{
    recordEdit(-1);
    backend.editCurrentPattern(PatternEdit::shiftRight);
    updatePatternDisplay(false);
}

void MainWidget::setPatternName()
{
    if (nameField->text() == shown.name)
        return;
    recordEdit(-1);
    shown.name = nameField->text();
    backend.setPatternName(shown.name);
}

void MainWidget::setDistoParam2LabelText(int type)
{
    if (type < 0 || type > 3)
        return;
    distParam2Caption->setText(QString::fromLatin1(kParam2Labels[type]));
    // The valve has no second parameter.
    distParam2Knob->setEnabled(type != 2);
}

} // namespace quelvar
