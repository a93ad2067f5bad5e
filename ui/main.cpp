// QuelvarUI: the plugin's editor process. Started by the plugin as
// "QuelvarUI <host window id> <state fd> <command fd> <notice fd>" with the shared block and its
// ends of the two pipes inherited on those descriptors; quits on the plugin's notice or when the
// plugin's process is gone.
#include "standalone/panel/MainWidget.h"
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
