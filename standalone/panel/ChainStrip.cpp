#include "standalone/panel/ChainStrip.h"

#include "standalone/panel/KickButton.h"
#include "standalone/panel/PanelLook.h"
#include "standalone/panel/PatternSelector.h"
#include "standalone/panel/panelLayout.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>

namespace quelvar
{

namespace
{
// The strip lies over the step editor, from the panel's (8, 236): its columns are the steps'.
constexpr int kLeft = 8;
constexpr int kGridTop = 24;
constexpr int kRowPitch = 22;
constexpr int kCellHeight = 20;
constexpr int kLastFirstRow = kMaxChainEntries / ChainStrip::kColumns - ChainStrip::kRows;
} // namespace

ChainStrip::ChainStrip(QWidget* parent) : QWidget(parent)
{
    setFixedSize(kWidth, kHeight);
    setCursor(Qt::PointingHandCursor);
    add = addButton("chain_add", QStringLiteral("add"), {2, 22, 46, 17},
                    "ADD\nThe current pattern, at the chain's end");
    connect(add, &KickButton::pressed, this, &ChainStrip::addCurrent);
    insert = addButton("chain_insert", QStringLiteral("insert"), {2, 41, 46, 17},
                       "INSERT\nThe current pattern, before the chosen entry");
    connect(insert, &KickButton::pressed, this, &ChainStrip::insertCurrent);
    remove = addButton("chain_delete", QStringLiteral("delete"), {2, 60, 46, 17},
                       "DELETE\nThe chosen entry");
    connect(remove, &KickButton::pressed, this, &ChainStrip::removeAtCursor);
    left = addButton("chain_left", QString(), {2, 79, 22, 17},
                     "MOVE LEFT\nThe chosen entry one place earlier");
    left->setArrow(KickButton::Arrow::left);
    connect(left, &KickButton::pressed, this, [this] { moveCursorEntry(-1); });
    right = addButton("chain_right", QString(), {26, 79, 22, 17},
                      "MOVE RIGHT\nThe chosen entry one place later");
    right->setArrow(KickButton::Arrow::right);
    connect(right, &KickButton::pressed, this, [this] { moveCursorEntry(1); });
    clear = addButton("chain_clear", QStringLiteral("clear"), {2, 98, 46, 17},
                      "CLEAR\nEvery entry of the chain");
    connect(clear, &KickButton::pressed, this, &ChainStrip::clearChain);
    updateButtons();
}

KickButton* ChainStrip::addButton(const char* name, const QString& caption, QRect area,
                                  const char* tip)
{
    auto* b = new KickButton(caption, this);
    b->setObjectName(QString::fromLatin1(name));
    b->setGeometry(area);
    b->setToolTip(QString::fromLatin1(tip));
    return b;
}

void ChainStrip::showChain(const ChainEntries& chain, int playingEntry, int currentPattern)
{
    const bool moved = playingEntry != playing && playingEntry >= 0;
    const bool changed = !(chain == entries) || playingEntry != playing ||
                         currentPattern != current;
    entries = chain;
    playing = playingEntry;
    current = currentPattern;
    cursorAt = std::min(cursorAt, entries.size());
    // The entry playing stays in sight while the chain plays.
    if (moved)
        scrollTo(playing);
    if (changed)
    {
        updateButtons();
        update();
    }
}

QRect ChainStrip::cellOf(int entry) const
{
    const int row = entry / kColumns - firstRow;
    const int column = entry % kColumns;
    return {panelLayout::columnX(column) - kLeft, kGridTop + row * kRowPitch,
            panelLayout::kColumnWidth, kCellHeight};
}

void ChainStrip::request(const ChainEntries& chain, int newCursor)
{
    const ChainEntries before = entries;
    entries = chain;
    cursorAt = std::clamp(newCursor, 0, entries.size());
    scrollTo(cursorAt);
    updateButtons();
    update();
    emit editRequested(before, entries);
}

void ChainStrip::addCurrent()
{
    ChainEntries edited = entries;
    if (edited.append(current))
        request(edited, edited.size() - 1);
}

void ChainStrip::insertCurrent()
{
    ChainEntries edited = entries;
    if (edited.insert(cursorAt, current))
        request(edited, cursorAt);
}

void ChainStrip::removeAtCursor()
{
    ChainEntries edited = entries;
    if (edited.remove(cursorAt))
        request(edited, std::min(cursorAt, edited.size() - 1));
}

void ChainStrip::moveCursorEntry(int by)
{
    ChainEntries edited = entries;
    if (edited.move(cursorAt, cursorAt + by))
        request(edited, cursorAt + by);
}

void ChainStrip::clearChain()
{
    if (!entries.empty())
        request(ChainEntries(), 0);
}

void ChainStrip::scrollTo(int entry)
{
    const int row = entry / kColumns;
    if (row < firstRow)
        firstRow = row;
    else if (row >= firstRow + kRows)
        firstRow = row - kRows + 1;
    firstRow = std::clamp(firstRow, 0, kLastFirstRow);
}

void ChainStrip::updateButtons()
{
    const bool onEntry = cursorAt < entries.size();
    add->setEnabled(!entries.full());
    insert->setEnabled(!entries.full());
    remove->setEnabled(onEntry);
    left->setEnabled(onEntry && cursorAt > 0);
    right->setEnabled(cursorAt + 1 < entries.size());
    clear->setEnabled(!entries.empty());
}

void ChainStrip::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient back(0, 0, 0, height());
    back.setColorAt(0.0, look::kGraphiteLight);
    back.setColorAt(1.0, look::kGraphite);
    p.fillRect(rect(), back);

    const int first = firstShownEntry();
    const int last = std::min(first + kRows * kColumns, kMaxChainEntries) - 1;
    p.setFont(look::font(12));
    p.setPen(look::kAmber);
    p.drawText(QRectF(56, 2, 60, 18), Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("CHAIN"));
    p.setPen(look::kPaper);
    QString info = entries.empty() ? QStringLiteral("empty: add the current pattern")
                                   : QStringLiteral("%1 of %2 entries").arg(entries.size())
                                         .arg(kMaxChainEntries);
    if (playing >= 0)
        info += QStringLiteral("   playing %1").arg(playing + 1);
    p.drawText(QRectF(100, 2, 260, 18), Qt::AlignVCenter | Qt::AlignLeft, info);
    p.drawText(QRectF(360, 2, 140, 18), Qt::AlignVCenter | Qt::AlignRight,
               QStringLiteral("entries %1 - %2").arg(first + 1).arg(last + 1));

    p.setFont(look::font(11));
    for (int entry = first; entry <= last; ++entry)
    {
        const QRectF cell = QRectF(cellOf(entry)).adjusted(0.5, 0.5, -0.5, -0.5);
        if (entry < entries.size())
        {
            const bool lit = entry == playing;
            look::drawCap(p, cell, lit ? look::kAmber : QColor(74, 75, 80), false);
            p.setPen(lit ? QColor(20, 20, 20) : look::kPaper);
            p.drawText(cell, Qt::AlignCenter, PatternSelector::label(entries.pattern(entry)));
        }
        else
        {
            p.setPen(QPen(QColor(255, 255, 255, entry == entries.size() ? 60 : 18), 1.0));
            p.setBrush(Qt::NoBrush);
            p.drawRoundedRect(cell, 3, 3);
            if (entry == entries.size() && !entries.full())
                p.drawText(cell, Qt::AlignCenter, QStringLiteral("+"));
        }
        if (entry == cursorAt)
        {
            p.setPen(QPen(look::kAmber, 1.5));
            p.setBrush(Qt::NoBrush);
            p.drawRoundedRect(cell.adjusted(-1.5, -1.5, 1.5, 1.5), 4, 4);
        }
    }
}

void ChainStrip::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint at = event->position().toPoint();
    const int first = firstShownEntry();
    for (int entry = first; entry < first + kRows * kColumns && entry <= entries.size(); ++entry)
    {
        if (!cellOf(entry).adjusted(-2, -1, 2, 1).contains(at))
            continue;
        cursorAt = entry;
        updateButtons();
        update();
        if (entry < entries.size())
            emit entryChosen(entry, entries.pattern(entry));
        return;
    }
}

void ChainStrip::wheelEvent(QWheelEvent* event)
{
    const int rows = event->angleDelta().y() > 0 ? -1 : 1;
    // Scrolled no further than the row that holds the place after the last entry.
    const int lastRow = std::min(entries.size() / kColumns, kMaxChainEntries / kColumns - 1);
    firstRow = std::clamp(firstRow + rows, 0, std::max(0, lastRow - kRows + 1));
    update();
    event->accept();
}

} // namespace quelvar
