#include "ui/UICommunication.h"

#include "bridge/bridgeProtocol.h"

#include <QFile>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string_view>
#include <unistd.h>

namespace quelvar
{

using namespace bridge;

namespace
{
constexpr int kPollMs = 20;
}

UICommunication::UICommunication(int commandFd, int noticeFd, QObject* parent)
    : QObject(parent), commandFd(commandFd), noticeFd(noticeFd), parentProcess(getppid())
{
    if (commandFd < 0)
        std::printf("QuelvarUI > ERROR can't open UI FIFO\n");
    if (noticeFd < 0)
        std::printf("QuelvarUI > ERROR can't open Plugin FIFO\n");
    else
    {
        fcntl(noticeFd, F_SETFL, fcntl(noticeFd, F_GETFL) | O_NONBLOCK);
        const int capacity = fcntl(noticeFd, F_GETPIPE_SZ);
        buffer.assign(static_cast<std::size_t>(capacity > 0 ? capacity : 65536), 0);
    }
    std::fflush(stdout);
    poll.setInterval(kPollMs);
    connect(&poll, &QTimer::timeout, this, &UICommunication::processMessageFromPlugin);
}

UICommunication::~UICommunication()
{
    if (commandFd >= 0)
        close(commandFd);
    if (noticeFd >= 0)
        close(noticeFd);
}

void UICommunication::start()
{
    poll.start();
}

bool UICommunication::sendCommand(const std::uint8_t* message, std::size_t length)
{
    // Up to the atomic size a write goes whole or not at all, so the plugin never sees half a
    // command followed by the next one's bytes.
    if (commandFd < 0 || length == 0 || length > kAtomicWriteBytes)
        return false;
    if (write(commandFd, message, length) == static_cast<ssize_t>(length))
        return true;
    std::printf("QuelvarUI > command %d dropped\n", message[0]);
    std::fflush(stdout);
    return false;
}

void UICommunication::processMessageFromPlugin()
{
    // The plugin's process gone (a crashed host) leaves this one with a new parent.
    if (getppid() != parentProcess)
    {
        std::printf("QuelvarUI > plugin process gone\n");
        quit();
        return;
    }
    if (noticeFd < 0)
        return;
    const ssize_t n = read(noticeFd, buffer.data(), buffer.size());
    if (n > 0)
        processNotices({buffer.data(), static_cast<std::size_t>(n)});
    // End of file: no process holds the pipe's other end any more. The plugin's process ended,
    // perhaps before this one could note its parent, or the editor went without a quit notice.
    if (n == 0)
    {
        std::printf("QuelvarUI > plugin process gone\n");
        quit();
    }
}

void UICommunication::processNotices(std::span<const std::uint8_t> bytes)
{
    std::size_t position = 0;
    while (position < bytes.size() && !quitting)
    {
        const std::span<const std::uint8_t> rest = bytes.subspan(position);
        const std::uint8_t* m = rest.data();
        if (!isNoticeOpcode(m[0]))
        {
            std::printf("QuelvarUI > processMessageFromPlugin : unhandled opcode : %d\n", m[0]);
            std::fflush(stdout);
            return;
        }
        const std::size_t length = noticeLength(rest);
        if (length == 0) // cut short: nothing past the bytes read is looked at
            return;
        switch (m[0])
        {
        case notice::parameter:
            emit parameterChanged(getInt32(m + 1), getFloat(m + 5));
            break;
        case notice::refresh:
            emit refreshRequested();
            break;
        case notice::step:
            emit stepChanged(m[1]);
            break;
        case notice::midi:
            emit midiMessage(m[1], m[2], m[3]);
            break;
        case notice::windowOld:
        case notice::window:
        {
            const std::string text(textField(m + 5, length - 6));
            char* end = nullptr;
            const unsigned long long id = std::strtoull(text.c_str(), &end, 10);
            if (!text.empty() && end && *end == 0)
                emit windowChanged(id);
            break;
        }
        case notice::quit:
            quit();
            break;
        case notice::distortionType:
            emit distortionTypeChanged(m[1]);
            break;
        case notice::imported:
        {
            const QString text = QString::fromUtf8(reinterpret_cast<const char*>(m + 6),
                                                   static_cast<qsizetype>(length - 6));
            emit importFinished(m[1] != 0, text.split(QLatin1Char('\n'), Qt::SkipEmptyParts));
            break;
        }
        case notice::lineFile:
        {
            const QByteArray path(reinterpret_cast<const char*>(m + 6),
                                  static_cast<qsizetype>(length - 6));
            emit lineFileWritten(m[1] != 0 ? QFile::decodeName(path) : QString());
            break;
        }
        default:
            break;
        }
        position += length;
    }
}

void UICommunication::quit()
{
    if (quitting)
        return;
    quitting = true;
    poll.stop();
    emit quitRequested();
}

} // namespace quelvar
