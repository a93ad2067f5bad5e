// A lever switch of a few positions, top to bottom. Position k sends values[k]; a value shows
// the position whose range holds it (the ranges end at the given bounds, as the engine reads
// them).
#pragma once

#include "standalone/panel/Control.h"

#include <vector>

namespace quelvar
{

class Switch : public Control
{
    Q_OBJECT

public:
    Switch(int index, std::vector<float> values, std::vector<float> bounds,
           QWidget* parent = nullptr);

    int position() const;
    int positions() const { return static_cast<int>(values.size()); }
    // A user choice, as a click on that position makes it.
    void choose(int position);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    const std::vector<float> values;
    const std::vector<float> bounds;
};

} // namespace quelvar
