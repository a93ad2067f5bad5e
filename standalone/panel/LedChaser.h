// A row of numbered lamps over the step editor's columns; the one of the step being played is
// lit while the sequencer runs.
#pragma once

#include <QWidget>

namespace quelvar
{

class LedChaser : public QWidget
{
    Q_OBJECT

public:
    // Lamps `pitch` apart, with `groupGap` more after every fourth.
    LedChaser(int count, int pitch, int groupGap, QWidget* parent = nullptr);

    // -1: none lit.
    void setPosition(int lamp);
    int position() const { return lit; }
    // Numbers shown under the lamps start here (1 for the first page).
    void setFirstNumber(int n);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const int count;
    const int pitch;
    const int groupGap;
    int lit = -1;
    int firstNumber = 1;
};

// One lamp (the activity lamp).
class Lamp : public QWidget
{
    Q_OBJECT

public:
    Lamp(const QColor& colour, QWidget* parent = nullptr);

    bool isLit() const { return lit; }
    void setLit(bool on);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor colour;
    bool lit = false;
};

} // namespace quelvar
