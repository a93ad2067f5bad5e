// A plain panel: the parameters, the current pattern and the transport as its back-end reports
// them, with play, stop and random buttons. It stands where the main panel will go, and talks to
// the engine only through PanelBackend. Qt main thread.
#pragma once

#include "standalone/panel/PanelBackend.h"

#include <QWidget>

class QLabel;
class QTableWidget;

namespace quelvar
{

class SimplePanel : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kWidth = 621;
    static constexpr int kHeight = 437;

    explicit SimplePanel(PanelBackend& backend, QWidget* parent = nullptr);

public slots:
    void refresh();
    void showParameter(int index, float value);
    void showStep(int step);
    void showMidi(int status, int data1, int data2);
    void showDistortionType(int type);

private:
    void showTransport();

    PanelBackend& backend;
    QTableWidget* parameters;
    QTableWidget* steps;
    QLabel* patternTitle;
    QLabel* transportLine;
    QLabel* activityLine;
    int playingStep = -1;
};

} // namespace quelvar
