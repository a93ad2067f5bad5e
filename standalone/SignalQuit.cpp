#include "standalone/SignalQuit.h"

#include <QApplication>
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

// Ends every event loop that runs, a modal dialog's included; a loop that a dialog starts after
// this returns at once. Every signal asks again, so none is ever ignored.
void SignalQuit::quit()
{
    char bytes[16];
    [[maybe_unused]] const auto got = ::read(sockets[1], bytes, sizeof bytes);
    requested = true;
    QCoreApplication::exit(0);
}

// QApplication::exec() forgets an exit asked for before it began.
int SignalQuit::exec()
{
    return requested ? 0 : QApplication::exec();
}

} // namespace quelvar
