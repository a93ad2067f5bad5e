// Plays the engine from the computer keyboard while "Capture Keyboard" is on: mapped keys queue
// note-ons and note-offs on channel 1 into the engine event queue, as a MIDI keyboard would.
// Main thread.
#pragma once

#include "standalone/EngineEventQueue.h"

#include <QObject>

#include <array>

class QKeyEvent;
class QWidget;

namespace quelvar
{

constexpr int kKeyboardVelocity = 112;

class KeyboardCapture : public QObject
{
    Q_OBJECT

public:
    KeyboardCapture(QWidget* window, EngineEventQueue& queue);
    ~KeyboardCapture() override;

    // Off releases every key still down, so no note hangs.
    void setEnabled(bool on);

    // The key map: MIDI note of a key code 0–255, -1 when unmapped.
    static int noteForKey(int keyCode);
    // The key code of a Qt key: letters and digits as themselves, comma 188, period 190;
    // 256 and above for keys the map cannot hold.
    static int keyCode(int qtKey);

    // The key handler. An unmapped key, or one already down (or up), queues nothing.
    void press(int keyCode);
    void release(int keyCode);
    void releaseAll();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool handleKey(QObject* watched, QKeyEvent* event, bool pressed);

    QWidget* window;
    EngineEventQueue& queue;
    std::array<bool, 256> down{};
    bool enabled = false;
};

} // namespace quelvar
