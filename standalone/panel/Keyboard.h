// An on-screen keyboard of two octaves and a key from C. A press plays the key's note (the
// lowest note plus the key's semitones) with a velocity from how low on the key it was struck;
// the release stops that note. Keys light for notes the engine reports.
#pragma once

#include "engine/LivePlay.h"

#include <QWidget>

#include <bitset>

namespace quelvar
{

class Keyboard : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kLowestNote = kLowestLiveNote; // MIDI; also the lowest step note
    static constexpr int kKeys = 25;

    explicit Keyboard(QWidget* parent = nullptr);

    void setLit(int note, bool lit);
    bool isLit(int note) const;
    void clearLit();
    // The key's outline in widget coordinates.
    QRect keyRect(int note) const;
    // The note under a point, or -1.
    int noteAt(QPoint point) const;

signals:
    void notePressed(int note, int velocity);
    void noteReleased(int note, int velocity);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    static bool isBlack(int note);
    double whiteWidth() const;

    std::bitset<128> lit;
    int held = -1;
    int heldVelocity = 0;
};

} // namespace quelvar
