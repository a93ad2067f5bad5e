// Plays the engine from the computer keyboard while "Capture Keyboard" is on: two rows of keys,
// taken by where they sit and not by what they print, queue note-ons and note-offs on channel 1
// into the engine event queue, as a MIDI keyboard would. Keys typed into a text field stay
// there. Main thread.
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

    // The place of a key: its X keycode (the evdev code + 8, as Qt reports it under X11 and
    // Wayland). Where the platform gives none, the key's place on a US keyboard; 0 for a key
    // that has no place in the map.
    static int placeOf(const QKeyEvent& event);
    // The MIDI note of a place: the row from the left shift up to the comma key plays 48-60
    // with its black keys on the row above it, the row from Q to I 60-72 with the digits
    // above; -1 for any other place.
    static int noteAt(int place);

    // The key handler. An unmapped place, or one already down (or up), queues nothing.
    void press(int place);
    void release(int place);
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
