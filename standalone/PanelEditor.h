// The engine's editor in the standalone program: opens the panel inside the window it is given
// and passes the engine's notices on to it. The notices come from any thread, the audio thread
// included, so they only store into atomics and a small ring; a main-thread timer turns them
// into signals. Nothing here blocks or allocates on the audio thread.
#pragma once

#include "dsp/SpscRing.h"
#include "engine/PalladonEditor.h"
#include "engine/parameterTable.h"

#include <QObject>
#include <QPointer>

#include <array>
#include <atomic>
#include <cstdint>

class QTimer;
class QWidget;

namespace quelvar
{

class EngineBackend;
class MainWidget;
class Palladon;
class ScaledPanel;

class PanelEditor : public QObject, public PalladonEditor
{
    Q_OBJECT

public:
    static constexpr int kWidth = 621;
    static constexpr int kHeight = 437;
    static constexpr int kPollMs = 20;

    explicit PanelEditor(Palladon& engine);
    ~PanelEditor() override;

    // The panel's size at its scale.
    bool getRect(ERect** rect) override;
    // window: the QWidget to build the panel in.
    bool open(void* window) override;
    void close() override;
    // The open panel, or null.
    MainWidget* panel() const;
    int scale() const { return percent; }
    // 100, 125, 150 or 200 %; applies to the open panel and to the next one.
    void setScale(int percent);

    void setParameter(int index, float value) override;
    void updateDisplay() override;
    void processStep(int step) override;
    void sendMidiMessage(int status, int data1, int data2) override;
    void setDistortionType(int type) override;

public slots:
    // Main thread: emits what the engine noticed since the last call.
    void deliver();

signals:
    void parameterChange(int index, float value);
    void displayUpdate();
    void stepChange(int step);
    void midiMessage(int status, int data1, int data2);
    void distortionTypeChange(int type);
    // The panel read or wrote the file at path: a pattern at that song index, or with -1 the
    // whole song.
    void fileExchanged(int patternIndex, const QString& path);
    // The open panel took a new size.
    void resized();

private:
    Palladon& engine;
    ERect rect{0, 0, kHeight, kWidth};
    QPointer<ScaledPanel> panelWidget;
    int percent = 100;
    EngineBackend* backend = nullptr;
    QTimer* poll = nullptr;

    std::array<std::atomic<bool>, kNumParams> parameterDirty{};
    std::array<std::atomic<float>, kNumParams> parameterValue{};
    std::atomic<bool> displayDirty{false};
    std::atomic<int> playedStep{-1}; // -1: none since the last delivery
    std::atomic<int> distortionType{-1};
    // Notes and transport messages: the audio thread writes, the main thread reads.
    SpscRing<std::uint32_t, 63> midi;
};

} // namespace quelvar
