// quelvar-standalone: the synthesizer in a window of its own, played through the sound card.
#include "standalone/Host.h"
#include "standalone/SignalQuit.h"
#include "standalone/SingleInstance.h"
#include "standalone/buildInfo.h"
#include "standalone/settingsKeys.h"

#include <QApplication>

#include <cstdio>
#include <cstring>

namespace
{
constexpr const char* kUsage =
    "Usage: quelvar-standalone [OPTION]... [FILE]...\n"
    "Plays the Quelvar synthesizer in a window of its own, through the sound card.\n"
    "\n"
    "  FILE        a pattern (.303, .pat, .phptr) to load into the current pattern, or a\n"
    "              bank (.b303) that replaces the whole state; handed to the running\n"
    "              program when one runs already\n"
    "  -h, --help     print this help and exit\n"
    "  -v, --version  print the version and exit\n"
    "\n"
    "The options every Qt program takes (such as -platform) are accepted too.\n"
    "Settings: ~/.config/Brontavell/Quelvar.conf; state: "
    "~/.local/share/Brontavell/Quelvar/state.b303.\n";

// Answered before any window or sound device is touched, so they work without a display. Files
// named like an option follow "--".
bool answeredAlone(int argc, char* argv[], int& status)
{
    for (int i = 1; i < argc; ++i)
    {
        const char* a = argv[i];
        if (std::strcmp(a, "--") == 0)
            return false;
        if (std::strcmp(a, "--help") == 0 || std::strcmp(a, "-h") == 0)
        {
            std::fputs(kUsage, stdout);
            status = 0;
            return true;
        }
        if (std::strcmp(a, "--version") == 0 || std::strcmp(a, "-v") == 0)
        {
            std::printf("quelvar-standalone %s\nbuild %s%s%s\n", quelvar::buildInfo::kVersion,
                        quelvar::buildInfo::kRevision,
                        *quelvar::buildInfo::kRevisionDate ? ", " : "",
                        quelvar::buildInfo::kRevisionDate);
            status = 0;
            return true;
        }
    }
    return false;
}

// What Qt left of the command line: files, or an option nobody knows (an error).
bool filesOf(const QStringList& arguments, QStringList& files)
{
    bool literal = false;
    for (const QString& a : arguments)
    {
        if (!literal && a == QStringLiteral("--"))
            literal = true;
        else if (!literal && a.startsWith(QLatin1Char('-')) && a.size() > 1)
        {
            std::fprintf(stderr,
                         "quelvar-standalone: unknown option '%s'\n"
                         "Try 'quelvar-standalone --help' for more information.\n",
                         a.toLocal8Bit().constData());
            return false;
        }
        else
            files << a;
    }
    return true;
}
} // namespace

int main(int argc, char* argv[])
{
    int status = 0;
    if (answeredAlone(argc, argv, status))
        return status;

    // Looking for a JACK server must never start one.
    if (qEnvironmentVariableIsEmpty("JACK_NO_START_SERVER"))
        qputenv("JACK_NO_START_SERVER", "1");

    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QString::fromLatin1(quelvar::settings::kOrganisation));
    QCoreApplication::setOrganizationDomain(QString::fromLatin1(quelvar::settings::kDomain));
    QCoreApplication::setApplicationName(QString::fromLatin1(quelvar::settings::kApplication));

    // Files given by the desktop or on the command line (Qt has taken its own arguments).
    QStringList files;
    if (!filesOf(QCoreApplication::arguments().mid(1), files))
        return 2;
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
    const int result = quitOnSignal.exec();
    delete host;
    return result;
}
