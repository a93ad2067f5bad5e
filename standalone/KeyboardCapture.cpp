#include "standalone/KeyboardCapture.h"

#include <QApplication>
#include <QGraphicsProxyWidget>
#include <QGraphicsView>
#include <QKeyEvent>
#include <QWidget>

#include <utility>

namespace quelvar
{

namespace
{
// X keycodes are Linux input codes + 8.
constexpr int kX = 8;

struct Place
{
    int evdev; // the Linux input code of the key
    int note;
    int usKey; // the Qt key printed there on a US keyboard
};

// A piano on two rows: white keys on the letter rows, black keys on the row above each.
constexpr Place kPlaces[] = {
    {44, 48, Qt::Key_Z},     {31, 49, Qt::Key_S}, {45, 50, Qt::Key_X}, {32, 51, Qt::Key_D},
    {46, 52, Qt::Key_C},     {47, 53, Qt::Key_V}, {34, 54, Qt::Key_G}, {48, 55, Qt::Key_B},
    {35, 56, Qt::Key_H},     {49, 57, Qt::Key_N}, {36, 58, Qt::Key_J}, {50, 59, Qt::Key_M},
    {51, 60, Qt::Key_Comma}, {16, 60, Qt::Key_Q}, {3, 61, Qt::Key_2},  {17, 62, Qt::Key_W},
    {4, 63, Qt::Key_3},      {18, 64, Qt::Key_E}, {19, 65, Qt::Key_R}, {6, 66, Qt::Key_5},
    {20, 67, Qt::Key_T},     {7, 68, Qt::Key_6},  {21, 69, Qt::Key_Y}, {8, 70, Qt::Key_7},
    {22, 71, Qt::Key_U},     {23, 72, Qt::Key_I},
};

constexpr std::array<int, 256> makeNotes()
{
    std::array<int, 256> notes{};
    for (int& n : notes)
        n = -1;
    for (const Place& p : kPlaces)
        notes[static_cast<std::size_t>(p.evdev + kX)] = p.note;
    return notes;
}

constexpr std::array<int, 256> kNotes = makeNotes();
constexpr std::uint32_t kNoteOnStatus = 0x90;
constexpr std::uint32_t kNoteOffStatus = 0x80;

// The widget the keys go to: inside a scaled panel, the one focused within its view.
const QWidget* keyTarget(const QWidget* w)
{
    const auto* view = qobject_cast<const QGraphicsView*>(w);
    if (!view || !view->scene())
        return w;
    const auto* proxy = dynamic_cast<const QGraphicsProxyWidget*>(view->scene()->focusItem());
    return proxy && proxy->widget() ? proxy->widget()->focusWidget() : nullptr;
}

// A widget that takes typed text: its keys are words, not notes.
bool takesText(const QWidget* focused)
{
    const QWidget* w = keyTarget(focused);
    return w && w->testAttribute(Qt::WA_InputMethodEnabled) && w->isEnabled();
}
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

int KeyboardCapture::placeOf(const QKeyEvent& event)
{
    const quint32 code = event.nativeScanCode();
    if (code != 0)
        return code < 256 ? static_cast<int>(code) : 0;
    for (const Place& p : kPlaces)
        if (p.usKey == event.key())
            return p.evdev + kX;
    return 0;
}

int KeyboardCapture::noteAt(int place)
{
    return place > 0 && place < 256 ? kNotes[static_cast<std::size_t>(place)] : -1;
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

void KeyboardCapture::press(int place)
{
    const int note = noteAt(place);
    if (note < 0 || down[static_cast<std::size_t>(place)])
        return;
    down[static_cast<std::size_t>(place)] = true;
    queue.push(kNoteOnStatus | static_cast<std::uint32_t>(note) << 8 |
               static_cast<std::uint32_t>(kKeyboardVelocity) << 16);
}

void KeyboardCapture::release(int place)
{
    const int note = noteAt(place);
    if (note < 0 || !down[static_cast<std::size_t>(place)])
        return;
    down[static_cast<std::size_t>(place)] = false;
    queue.push(kNoteOffStatus | static_cast<std::uint32_t>(note) << 8);
}

void KeyboardCapture::releaseAll()
{
    for (int place = 0; place < 256; ++place)
        release(place);
}

bool KeyboardCapture::handleKey(QObject* watched, QKeyEvent* event, bool pressed)
{
    // Keys typed into another window (the configuration dialog) are not notes.
    const auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != window)
        return false;
    const int place = placeOf(*event);
    if (noteAt(place) < 0)
        return false;
    // A key that plays goes on to its release, wherever the focus went meanwhile.
    const bool sounding = down[static_cast<std::size_t>(place)];
    if (!sounding && (takesText(QApplication::focusWidget()) ||
                      event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
        return false;
    // Held keys repeat; the note stays on until the real release.
    if (!event->isAutoRepeat())
    {
        if (pressed)
            press(place);
        else
            release(place);
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
