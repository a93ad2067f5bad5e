// The same panel in the UI process's back-end: its gestures leave as commands on the command
// pipe in the bridge's wire format, and the plugin's notices come back to its controls.
#include "PanelTestSupport.h"

#include "bridge/bridgeProtocol.h"
#include "standalone/panel/Button.h"
#include "standalone/panel/Control.h"
#include "standalone/panel/Knob.h"
#include "standalone/panel/MainWidget.h"
#include "standalone/panel/SpinBox.h"
#include "ui/FifoBackend.h"
#include "ui/SharedBlockView.h"
#include "ui/UICommunication.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace quelvar::test
{

namespace
{
std::vector<std::uint8_t> drain(int fd)
{
    std::vector<std::uint8_t> bytes;
    std::uint8_t chunk[4096];
    ssize_t n;
    while ((n = read(fd, chunk, sizeof chunk)) > 0)
        bytes.insert(bytes.end(), chunk, chunk + n);
    return bytes;
}
} // namespace

TEST(FifoPanel, GesturesLeaveAsCommandsAndNoticesComeBack)
{
    QTemporaryDir dir;
    int commands[2];
    int notices[2];
    ASSERT_EQ(pipe2(commands, O_NONBLOCK), 0);
    ASSERT_EQ(pipe2(notices, O_NONBLOCK), 0);
    UICommunication link(commands[1], notices[0]);
    SharedBlockView block(-1);
    FifoBackend backend(block, link);
    QDir().mkpath(dir.filePath(QStringLiteral("Patterns/USER")));
    MainWidget panel(backend, nullptr, dir.filePath(QStringLiteral("Patterns")));
    const int plugin = commands[0];
    drain(plugin);

    auto* knob = panel.findChild<Knob*>(QStringLiteral("cut_off"));
    drag(knob, knob->rect().center(), knob->rect().center() - QPoint(0, 45), 3);
    std::vector<std::uint8_t> bytes = drain(plugin);
    ASSERT_EQ(bytes.size(), 2u + 3u * 9u + 2u) << "the grab, one parameter command a move, the release";
    EXPECT_EQ(bytes[0], bridge::command::beginEdit);
    EXPECT_EQ(bytes[1], 3);
    for (std::size_t at = 2; at < bytes.size() - 2; at += 9)
    {
        EXPECT_EQ(bytes[at], bridge::command::parameter);
        EXPECT_EQ(bridge::getInt32(&bytes[at + 1]), 3);
    }
    EXPECT_FLOAT_EQ(bridge::getFloat(&bytes[bytes.size() - 6]), knob->value());
    EXPECT_EQ(bytes[bytes.size() - 2], bridge::command::endEdit);
    EXPECT_EQ(bytes[bytes.size() - 1], 3);

    // The absent block has no steps: the step count comes first.
    panel.findChild<SpinBox*>(QStringLiteral("steps"))->stepBy(15);
    drain(plugin);
    // A step switched on: command 12, field 0, step 0, the note box's note + 1 (rests read
    // from an absent block, so the step starts off).
    sendClick(panel.findChild<Button*>(QStringLiteral("step_on_0")));
    bytes = drain(plugin);
    ASSERT_EQ(bytes.size(), 7u);
    EXPECT_EQ(bytes[0], bridge::command::stepEdit);
    EXPECT_EQ(bytes[1], 0);
    EXPECT_EQ(bytes[2], 0);
    EXPECT_EQ(bridge::getInt32(&bytes[3]), 25);

    // The plugin's parameter notice moves the control of that slot.
    const int noticeWriter = notices[1];
    std::uint8_t notice[9];
    const std::size_t length = bridge::encodeParameter(notice, bridge::notice::parameter, 4, 0.3f);
    ASSERT_EQ(write(noticeWriter, notice, length), static_cast<ssize_t>(length));
    link.processMessageFromPlugin();
    EXPECT_FLOAT_EQ(panel.control(4)->value(), 0.3f);
    close(noticeWriter);
    close(plugin);
}

} // namespace quelvar::test
