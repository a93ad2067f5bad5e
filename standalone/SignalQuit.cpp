#include "standalone/SignalQuit.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace quelvar
{

namespace
{
int sockets[2] = {-1, -1};
} // namespace

SignalQuit::SignalQuit(QObject* parent) : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sockets) != 0)
        return;
    notifier = new QSocketNotifier(sockets[1], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &SignalQuit::quit);
    struct sigaction action = {};
    action.sa_handler = &SignalQuit::handle;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int s : {SIGTERM, SIGINT, SIGHUP})
        sigaction(s, &action, nullptr);
}

SignalQuit::~SignalQuit()
{
    for (int s : {SIGTERM, SIGINT, SIGHUP})
        std::signal(s, SIG_DFL);
    for (int& fd : sockets)
    {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

void SignalQuit::handle(int /*signal*/)
{
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(sockets[0], &byte, 1);
}

void SignalQuit::quit()
{
    char byte = 0;
    [[maybe_unused]] const auto got = ::read(sockets[1], &byte, 1);
    // A second signal while the first is being handled changes nothing.
    notifier->setEnabled(false);
    QCoreApplication::exit(0);
}

} // namespace quelvar
