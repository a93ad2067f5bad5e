// Makes its toggles exclusive: one turned on turns the others off, and the one that is on
// cannot be turned off by a click. Qt main thread.
#pragma once

#include <QObject>

#include <vector>

namespace quelvar
{

class Toggle;

class ButtonGroup : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    void add(Toggle* toggle);
    // Turns on the toggle of that index and the others off, without signals.
    void setChecked(int index);

public slots:
    // Each toggle's toggled signal.
    void exclusivitor(bool on);

private:
    std::vector<Toggle*> toggles;
};

} // namespace quelvar
