// QuelvarUI: the plugin's editor process. Started by the plugin as
// "QuelvarUI <host window id> <state fd> <command fd> <notice fd>" with the shared block and its
// ends of the two pipes inherited on those descriptors; quits on the plugin's notice or when the
// plugin's process is gone.
#include "bridge/bridgeProtocol.h"
#include "standalone/panel/MainWidget.h"
#include "standalone/panel/ScaledPanel.h"
#include "ui/Embedder.h"
#include "ui/FifoBackend.h"
#include "ui/SharedBlockView.h"
#include "ui/UICommunication.h"

#include <QApplication>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>

namespace
{
// An inherited descriptor named on the command line, or -1 when the argument is no open one.
int inheritedDescriptor(const char* text)
{
    char* end = nullptr;
    const long fd = std::strtol(text, &end, 10);
    if (!end || *end != 0 || fd < 3 || fd > 1023 || fcntl(static_cast<int>(fd), F_GETFD) == -1)
        return -1;
    return static_cast<int>(fd);
}
} // namespace

int main(int argc, char** argv)
{
    using namespace quelvar;
    std::signal(SIGPIPE, SIG_IGN);
    // The host's window counts device pixels: the panel takes its size from the sizes it
    // offers, chosen from the screen's scale, never from scaling of Qt's own.
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    qunsetenv("QT_SCALE_FACTOR");
    qunsetenv("QT_SCREEN_SCALE_FACTORS");
    QApplication app(argc, argv);
    if (argc < 5)
    {
        std::printf("QuelvarUI > usage: QuelvarUI <window id> <state fd> <command fd> <notice fd>\n");
        return 2;
    }
    char* end = nullptr;
    const unsigned long long window = std::strtoull(argv[1], &end, 10);

    UICommunication link(inheritedDescriptor(argv[3]), inheritedDescriptor(argv[4]));
    SharedBlockView block(inheritedDescriptor(argv[2]));
    FifoBackend backend(block, link);

    std::printf("QuelvarUI > trying to create embed X11 widget\n");
    std::fflush(stdout);
    auto* panel = new MainWidget(backend);
    auto* view =
        new ScaledPanel(panel, nullptr, ScaledPanel::defaultScale(QGuiApplication::primaryScreen()));
    Embedder embedder(view);
    embedder.embedInto(end && *end == 0 ? window : 0);
    // The plugin answers the host's size requests and asks the host to resize its window.
    const auto tellPlugin = [&link, panel](int percent)
    {
        panel->offerSizes(percent);
        std::uint8_t m[2];
        link.sendCommand(m, bridge::encodeTwoBytes(m, bridge::command::editorScale, percent));
    };
    tellPlugin(view->scale());
    QObject::connect(panel, &MainWidget::sizeRequested, view, &ScaledPanel::setScale);
    QObject::connect(view, &ScaledPanel::scaleChanged, &embedder, &Embedder::fitPanel);
    QObject::connect(view, &ScaledPanel::scaleChanged, tellPlugin);

    QObject::connect(&link, &UICommunication::windowChanged, &embedder, &Embedder::embedInto);
    QObject::connect(&link, &UICommunication::quitRequested, &app,
                     []
                     {
                         std::printf("QuelvarUI > terminating QApplication\n");
                         std::fflush(stdout);
                         // quit() is ignored by Qt 6 in an embedded window; exit(0) ends the loop.
                         QCoreApplication::exit(0);
                     });
    link.start();
    return app.exec();
}
