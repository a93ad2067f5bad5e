// The lines row: the key and scale, Generate's shares of rests, accents and slides, Mutate's
// share, and the buttons Generate, Mutate and Fit to key. The panel shows it in place of the
// voice knobs. It paints its captions on the panel's silver and holds no state of its own beyond
// what its controls show. Qt main thread.
#pragma once

#include "sequencer/lineOperations.h"

#include <QString>
#include <QWidget>

namespace quelvar
{

class DropDown;
class KickButton;
class Knob;

class LinesRow : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kWidth = 532;
    static constexpr int kHeight = 76;

    explicit LinesRow(QWidget* parent = nullptr);

    // Shows the engine's settings without signals; a knob in the user's hand keeps its place.
    void showSettings(const LineSettings& settings);
    // What the controls show.
    LineSettings settings() const;

signals:
    // The user changed a setting; `caption` and `value` say which and to what, for the readout.
    void settingsChanged(const LineSettings& settings, const QString& caption,
                         const QString& value);
    void generate();
    void mutate();
    void fitToKey();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Knob* addKnob(const char* name, int left, float initial);
    KickButton* addButton(const char* name, const char* caption, QRect area, const char* tip);
    void changed(const QObject* control);
    void updateTips();

    DropDown* key = nullptr;
    DropDown* scale = nullptr;
    Knob* rests = nullptr;
    Knob* accents = nullptr;
    Knob* slides = nullptr;
    Knob* share = nullptr;
    int gestures = 0; // knobs in the user's hand
};

} // namespace quelvar
