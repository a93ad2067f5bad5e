// The chain strip: the chain's entries on a grid of four rows of sixteen in place of the step
// editor, the entry playing lit, a cursor on the entry last clicked, and the buttons that edit
// the chain around the cursor (add and insert the current pattern, delete, move, clear). It shows
// what the panel gives it and asks for edits with the whole new chain; the panel applies them.
// Qt main thread.
#pragma once

#include "sequencer/Chain.h"

#include <QWidget>

namespace quelvar
{

class KickButton;

class ChainStrip : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kWidth = 508;
    static constexpr int kHeight = 116;
    static constexpr int kColumns = 16;
    static constexpr int kRows = 4;

    explicit ChainStrip(QWidget* parent = nullptr);

    // What to show: the chain, the entry playing (-1 none) and the current song pattern, which
    // "add" and "insert" put in.
    void showChain(const ChainEntries& chain, int playingEntry, int currentPattern);
    const ChainEntries& shownChain() const { return entries; }
    int cursor() const { return cursorAt; }
    int firstShownEntry() const { return firstRow * kColumns; }
    // The cell of an entry in the strip's coordinates (entries outside the rows shown too).
    QRect cellOf(int entry) const;

    // The edits, as the buttons make them.
    void addCurrent();
    void insertCurrent();
    void removeAtCursor();
    void moveCursorEntry(int by);
    void clearChain();

signals:
    // The chain as the strip showed it and as an edit leaves it.
    void editRequested(const ChainEntries& before, const ChainEntries& after);
    // An entry was clicked: its pattern is the one to edit.
    void entryChosen(int entry, int pattern);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    KickButton* addButton(const char* name, const QString& caption, QRect area, const char* tip);
    void request(const ChainEntries& chain, int newCursor);
    void scrollTo(int entry);
    void updateButtons();

    ChainEntries entries;
    int playing = -1;
    int current = 0;
    int cursorAt = 0; // 0 … size: at size, the place after the last entry
    int firstRow = 0;
    KickButton* remove = nullptr;
    KickButton* left = nullptr;
    KickButton* right = nullptr;
    KickButton* clear = nullptr;
    KickButton* add = nullptr;
    KickButton* insert = nullptr;
};

} // namespace quelvar
