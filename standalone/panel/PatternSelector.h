// The 32 patterns that can be triggered, as four banks (A-D) of eight. A bank key shows its
// bank; a pattern key selects bank x 8 + key; a right press on a pattern key asks for that
// pattern's menu. The selected pattern's lamp is lit; the pattern still playing before a
// queued switch blinks. A song pattern past the 32 (chosen by a program change) lights none.
#pragma once

#include "sequencer/Song.h"

#include <QWidget>

namespace quelvar
{

class PatternSelector : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kBanks = 4;
    static constexpr int kPerBank = 8;
    static constexpr int kPatterns = kBanks * kPerBank;
    static constexpr int kSongPatterns = kPatternsPerSong;

    explicit PatternSelector(QWidget* parent = nullptr);

    // "A1" for the first pattern of bank A; a song pattern past the 32 by its number ("P41").
    static QString label(int pattern);

    int selected() const { return selectedPattern; }
    void setSelected(int pattern);
    void setPlaying(int pattern);
    void setBlink(bool on);
    // Where the key of a pattern of the shown bank is, or of a bank key.
    QRect patternKey(int key) const;
    QRect bankKey(int b) const;

signals:
    void patternChosen(int pattern);
    void menuRequested(int pattern, QPoint globalPosition);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    int selectedPattern = 0;
    int playingPattern = 0;
    int bank = 0;
    bool blink = false;
};

} // namespace quelvar
