#include "standalone/KeyboardCapture.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

namespace quelvar
{

namespace
{
constexpr std::array<int, 256> makeKeyMap()
{
    std::array<int, 256> map{};
    for (int& n : map)
        n = -1;
    const std::pair<int, int> keys[] = {
        {'W', 48}, {'S', 49}, {'X', 50}, {'D', 51}, {'C', 52}, {'V', 53}, {'G', 54},
        {'B', 55}, {'H', 56}, {'N', 57}, {'J', 58}, {188, 59}, {190, 60}, {'A', 60},
        {'2', 61}, {'Z', 62}, {'3', 63}, {'E', 64}, {'R', 65}, {'5', 66}, {'T', 67},
        {'6', 68}, {'Y', 69}, {'7', 70}, {'U', 71}, {'I', 72},
    };
    for (const auto& [code, note] : keys)
        map[static_cast<std::size_t>(code)] = note;
    return map;
}

constexpr std::array<int, 256> kKeyMap = makeKeyMap();
constexpr std::uint32_t kNoteOnStatus = 0x90;
constexpr std::uint32_t kNoteOffStatus = 0x80;
constexpr int kOutOfMap = 256;
} // namespace

KeyboardCapture::KeyboardCapture(QWidget* window, EngineEventQueue& queue)
    : QObject(window), window(window), queue(queue)
{
}

KeyboardCapture::~KeyboardCapture()
{
    if (enabled)
        qApp->removeEventFilter(this);
}

int KeyboardCapture::noteForKey(int code)
{
    return code >= 0 && code < 256 ? kKeyMap[static_cast<std::size_t>(code)] : -1;
}

int KeyboardCapture::keyCode(int qtKey)
{
    if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9))
        return qtKey;
    if (qtKey == Qt::Key_Comma)
        return 188;
    if (qtKey == Qt::Key_Period)
        return 190;
    return kOutOfMap;
}

void KeyboardCapture::setEnabled(bool on)
{
    if (on == enabled)
        return;
    enabled = on;
    if (on)
        qApp->installEventFilter(this);
    else
    {
        qApp->removeEventFilter(this);
        releaseAll();
    }
}

void KeyboardCapture::press(int code)
{
    const int note = noteForKey(code);
    if (note < 0 || down[static_cast<std::size_t>(code)])
        return;
    down[static_cast<std::size_t>(code)] = true;
    queue.push(kNoteOnStatus | static_cast<std::uint32_t>(note) << 8 |
               static_cast<std::uint32_t>(kKeyboardVelocity) << 16);
}

void KeyboardCapture::release(int code)
{
    const int note = noteForKey(code);
    if (note < 0 || !down[static_cast<std::size_t>(code)])
        return;
    down[static_cast<std::size_t>(code)] = false;
    queue.push(kNoteOffStatus | static_cast<std::uint32_t>(note) << 8);
}

void KeyboardCapture::releaseAll()
{
    for (int code = 0; code < 256; ++code)
        release(code);
}

bool KeyboardCapture::handleKey(QObject* watched, QKeyEvent* event, bool pressed)
{
    // Keys typed into another window (the configuration dialog) are not notes.
    const auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != window)
        return false;
    const int code = keyCode(event->key());
    if (noteForKey(code) < 0 || event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))
        return false;
    // Held keys repeat; the note stays on until the real release.
    if (!event->isAutoRepeat())
    {
        if (pressed)
            press(code);
        else
            release(code);
    }
    return true;
}

bool KeyboardCapture::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type())
    {
    case QEvent::KeyPress:
        return handleKey(watched, static_cast<QKeyEvent*>(event), true);
    case QEvent::KeyRelease:
        return handleKey(watched, static_cast<QKeyEvent*>(event), false);
    case QEvent::ApplicationDeactivate:
        // A release that happens in another application never reaches us.
        releaseAll();
        return false;
    default:
        return false;
    }
}

} // namespace quelvar
