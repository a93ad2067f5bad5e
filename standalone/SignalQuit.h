// Ends the event loop on SIGTERM, SIGINT or SIGHUP, so a session logout or a kill still stops
// the audio cleanly and saves the state. The handler only writes one byte to a socket; the
// main thread does the rest.
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

private:
    static void handle(int signal);
    void quit();

    QSocketNotifier* notifier = nullptr;
};

} // namespace quelvar
