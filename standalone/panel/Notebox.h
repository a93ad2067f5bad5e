// The note of one step-editor column, 0-59, shown as its name. A click in the upper half raises
// it a semitone, in the lower half lowers it; dragging or the wheel moves it further.
#pragma once

#include "sequencer/Step.h"
#include "standalone/panel/Control.h"

#include <QString>

namespace quelvar
{

class Notebox : public Control
{
    Q_OBJECT

public:
    static constexpr int kHighest = kMaxStepNote - 1; // the step's note less one

    Notebox(int column, QWidget* parent = nullptr);

    int note() const;
    void setNoteQuietly(int n);
    void setDimmed(bool dimmed);
    // A user change, as the mouse makes it.
    void changeNote(int n);

    static QString noteName(int n);

signals:
    void noteChanged(int column, int note);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    bool dimmed = false;
    bool dragged = false;
    double pressY = 0.0;
    int pressNote = 0;
};

// The octave of the note in the same column (note / 12). A click in the upper half asks for
// one octave more, in the lower half one less; the panel decides what the note becomes.
class Octavebox : public Control
{
    Q_OBJECT

public:
    static constexpr int kHighest = 4;

    Octavebox(int column, QWidget* parent = nullptr);

    int octave() const;
    void setOctaveQuietly(int o);
    void setDimmed(bool dimmed);

signals:
    void octaveRequested(int column, int octave);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    bool dimmed = false;
};

} // namespace quelvar
