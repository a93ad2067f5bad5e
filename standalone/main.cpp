// quelvar-standalone: the synthesizer in a window of its own, played through the sound card.
#include "standalone/Host.h"
#include "standalone/SignalQuit.h"
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

    quelvar::SignalQuit quitOnSignal;
    auto* host = new quelvar::Host;
    host->show();
    // A file given by the desktop or on the command line (Qt has taken its own arguments).
    if (QCoreApplication::arguments().size() > 1)
        host->openFile(QCoreApplication::arguments().at(1));
    const int result = QApplication::exec();
    delete host;
    return result;
}
