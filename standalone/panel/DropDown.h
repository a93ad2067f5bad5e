// A small window showing one of a few choices; a click opens the list. It carries a parameter
// whose value k / (choices - 1) shows choice k.
#pragma once

#include "standalone/panel/Control.h"

#include <QStringList>

class QMenu;

namespace quelvar
{

class DropDown : public Control
{
    Q_OBJECT

public:
    DropDown(int index, QStringList choices, QWidget* parent = nullptr);

    int choice() const;
    QString text() const;
    void setChoiceQuietly(int k);
    // The list as it pops up, the shown choice checked; its entries emit `chosen`.
    QMenu* buildMenu(QWidget* parent);

signals:
    void chosen(int choice);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    const QStringList choices;
};

} // namespace quelvar
