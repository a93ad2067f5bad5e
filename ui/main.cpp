// QuelvarUI: the plugin's editor process. Started by the plugin as
// "QuelvarUI <host window id> <instance tag>"; quits on the plugin's notice or when the plugin's
// process is gone.
#include "bridge/bridgeFiles.h"
#include "standalone/panel/MainWidget.h"
#include "ui/Embedder.h"
#include "ui/FifoBackend.h"
#include "ui/SharedBlockView.h"
#include "ui/UICommunication.h"

#include <QApplication>

#include <csignal>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    using namespace quelvar;
    std::signal(SIGPIPE, SIG_IGN);
    QApplication app(argc, argv);
    if (argc < 3 || !bridge::isValidTag(argv[2]))
    {
        std::printf("QuelvarUI > usage: QuelvarUI <window id> <instance>\n");
        return 2;
    }
    char* end = nullptr;
    const unsigned long long window = std::strtoull(argv[1], &end, 10);

    const bridge::BridgePaths paths = bridge::bridgePaths(bridge::runtimeDirectory(false), argv[2]);
    UICommunication link(paths.commandFifo, paths.noticeFifo);
    SharedBlockView block(paths.sharedBlock);
    FifoBackend backend(block, link);

    std::printf("QuelvarUI > trying to create embed X11 widget\n");
    std::fflush(stdout);
    Embedder embedder(new MainWidget(backend));
    embedder.embedInto(end && *end == 0 ? window : 0);

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
