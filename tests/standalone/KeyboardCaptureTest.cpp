#include "standalone/KeyboardCapture.h"

#include "Fakes.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

#include <gtest/gtest.h>

#include <vector>

namespace quelvar
{

namespace
{
// One keyboard layout: the Qt key that each place prints, places in the order of the notes
// they play: the lower row 48-60, then the upper row 60-72.
struct Layout
{
    const char* name;
    std::vector<int> keys;
};

// X keycodes of those places.
const std::vector<quint32> kPlaces = {52, 39, 53, 40, 54, 55, 42, 56, 43, 57, 44, 58, 59,
                                      24, 11, 25, 12, 26, 27, 14, 28, 15, 29, 16, 30, 31};

class KeyboardLayout : public testing::TestWithParam<Layout>
{
};
} // namespace

TEST_P(KeyboardLayout, TheTwoRowsFormAPianoByWhereTheKeysSit)
{
    QWidget window;
    EngineEventQueue queue;
    KeyboardCapture capture(&window, queue);
    capture.setEnabled(true);
    const std::vector<int>& keys = GetParam().keys;
    ASSERT_EQ(keys.size(), kPlaces.size());
    std::vector<int> notes;
    for (std::size_t i = 0; i < keys.size(); ++i)
    {
        QKeyEvent press(QEvent::KeyPress, keys[i], Qt::NoModifier, kPlaces[i], 0, 0);
        QKeyEvent release(QEvent::KeyRelease, keys[i], Qt::NoModifier, kPlaces[i], 0, 0);
        QApplication::sendEvent(&window, &press);
        QApplication::sendEvent(&window, &release);
        for (const auto& m : test::midiBytesOf(queue.drain()))
            if (m[0] == 0x90)
                notes.push_back(m[1]);
    }
    std::vector<int> piano;
    for (int n = 48; n <= 60; ++n)
        piano.push_back(n);
    for (int n = 60; n <= 72; ++n)
        piano.push_back(n);
    EXPECT_EQ(notes, piano);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, KeyboardLayout,
    testing::Values(
        Layout{"us",
               {Qt::Key_Z, Qt::Key_S, Qt::Key_X, Qt::Key_D, Qt::Key_C, Qt::Key_V,     Qt::Key_G,
                Qt::Key_B, Qt::Key_H, Qt::Key_N, Qt::Key_J, Qt::Key_M, Qt::Key_Comma, Qt::Key_Q,
                Qt::Key_2, Qt::Key_W, Qt::Key_3, Qt::Key_E, Qt::Key_R, Qt::Key_5,     Qt::Key_T,
                Qt::Key_6, Qt::Key_Y, Qt::Key_7, Qt::Key_U, Qt::Key_I}},
        Layout{"de",
               {Qt::Key_Y, Qt::Key_S, Qt::Key_X, Qt::Key_D, Qt::Key_C, Qt::Key_V,     Qt::Key_G,
                Qt::Key_B, Qt::Key_H, Qt::Key_N, Qt::Key_J, Qt::Key_M, Qt::Key_Comma, Qt::Key_Q,
                Qt::Key_2, Qt::Key_W, Qt::Key_3, Qt::Key_E, Qt::Key_R, Qt::Key_5,     Qt::Key_T,
                Qt::Key_6, Qt::Key_Z, Qt::Key_7, Qt::Key_U, Qt::Key_I}},
        Layout{"fr",
               {Qt::Key_W, Qt::Key_S,        Qt::Key_X,         Qt::Key_D,      Qt::Key_C,
                Qt::Key_V, Qt::Key_G,        Qt::Key_B,         Qt::Key_H,      Qt::Key_N,
                Qt::Key_J, Qt::Key_Comma,    Qt::Key_Semicolon, Qt::Key_A,      Qt::Key_Eacute,
                Qt::Key_Z, Qt::Key_QuoteDbl, Qt::Key_E,         Qt::Key_R,      Qt::Key_ParenLeft,
                Qt::Key_T, Qt::Key_Minus,    Qt::Key_Y,         Qt::Key_Egrave, Qt::Key_U,
                Qt::Key_I}}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace quelvar
