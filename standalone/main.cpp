// quelvar-standalone: the synthesizer in a window of its own, played through the sound card.
#include "standalone/Host.h"
#include "standalone/SignalQuit.h"
#include "standalone/SingleInstance.h"
#include "standalone/settingsKeys.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    // Looking for a JACK server must never start one.
    if (qEnvironmentVariableIsEmpty("JACK_NO_START_SERVER"))
        qputenv("JACK_NO_START_SERVER", "1");

    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QString::fromLatin1(quelvar::settings::kOrganisation));
    QCoreApplication::setOrganizationDomain(QString::fromLatin1(quelvar::settings::kDomain));
    QCoreApplication::setApplicationName(QString::fromLatin1(quelvar::settings::kApplication));

    // Files given by the desktop or on the command line (Qt has taken its own arguments).
    const QStringList files = QCoreApplication::arguments().mid(1);
    // One synthesizer per session: a second one would play beside it and, quitting last,
    // overwrite the state the first one saved.
    quelvar::SingleInstance instance;
    if (instance.handOverOrListen(files))
        return 0;

    quelvar::SignalQuit quitOnSignal;
    auto* host = new quelvar::Host;
    QObject::connect(&instance, &quelvar::SingleInstance::filesReceived, host,
                     &quelvar::Host::receiveFiles);
    host->show();
    for (const QString& file : files)
        host->openFile(file);
    const int result = QApplication::exec();
    delete host;
    return result;
}
