// Ends the program on SIGTERM, SIGINT or SIGHUP, so a session logout or a kill still stops the
// audio cleanly and saves the state, whatever dialogs are open. The handler only writes one byte
// to a socket; the main thread does the rest.
#pragma once

#include <QObject>

class QSocketNotifier;

namespace quelvar
{

class SignalQuit : public QObject
{
    Q_OBJECT

public:
    explicit SignalQuit(QObject* parent = nullptr);
    ~SignalQuit() override;

    // The application's event loop, unless a signal asked to quit before it began (while a
    // dialog ran its own loop during start-up): then 0 at once.
    int exec();

private:
    static void handle(int signal);
    void quit();

    QSocketNotifier* notifier = nullptr;
    bool requested = false;
};

} // namespace quelvar
