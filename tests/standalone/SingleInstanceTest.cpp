#include "standalone/SingleInstance.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalSocket>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace quelvar
{

namespace
{
// The later start runs on its own thread: it waits for an answer the first one gives from the
// event loop.
bool handOverFromAnotherThread(const QString& name, const QStringList& files)
{
    std::atomic<int> result{-1};
    std::thread later(
        [&]
        {
            SingleInstance second(name);
            result = second.handOverOrListen(files) ? 1 : 0;
        });
    QElapsedTimer waited;
    waited.start();
    while (result < 0 && waited.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    later.join();
    return result == 1;
}
} // namespace

TEST(SingleInstance, ALaterStartHandsItsFilesToTheFirstAndEnds)
{
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("socket"));
    SingleInstance first(name);
    QStringList received;
    int deliveries = 0;
    QObject::connect(&first, &SingleInstance::filesReceived,
                     [&](const QStringList& files)
                     {
                         received = files;
                         ++deliveries;
                     });
    EXPECT_FALSE(first.handOverOrListen({})) << "nobody there: this one listens";

    EXPECT_TRUE(handOverFromAnotherThread(
        name, {QStringLiteral("/tmp/a b.303"), QStringLiteral("relative.pat")}));
    ASSERT_EQ(deliveries, 1);
    ASSERT_EQ(received.size(), 2);
    EXPECT_EQ(received[0], QStringLiteral("/tmp/a b.303"));
    EXPECT_TRUE(received[1].startsWith(QLatin1Char('/'))) << "made absolute for the other";

    EXPECT_TRUE(handOverFromAnotherThread(name, {}));
    EXPECT_EQ(deliveries, 2);
    EXPECT_TRUE(received.isEmpty()) << "no file: the window only comes to the front";
}

// Whatever arrives on the socket: a message too long is cut off unread, and nothing crashes.
TEST(SingleInstance, AnEndlessMessageIsCutOff)
{
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("socket"));
    SingleInstance first(name);
    int deliveries = 0;
    QObject::connect(&first, &SingleInstance::filesReceived, [&] { ++deliveries; });
    ASSERT_FALSE(first.handOverOrListen({}));
    std::atomic<bool> cut{false};
    std::thread peer(
        [&]
        {
            QLocalSocket socket;
            socket.connectToServer(name);
            if (!socket.waitForConnected(2000))
                return;
            const QByteArray junk(16 * 1024, '\x7f');
            for (int i = 0; i < 16 && socket.state() == QLocalSocket::ConnectedState; ++i)
            {
                socket.write(junk);
                socket.waitForBytesWritten(2000);
            }
            cut = !socket.waitForReadyRead(3000) && socket.state() != QLocalSocket::ConnectedState;
        });
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 6000 && !cut)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    peer.join();
    EXPECT_TRUE(cut);
    EXPECT_EQ(deliveries, 0);
    EXPECT_TRUE(handOverFromAnotherThread(name, {})) << "still listening for the next start";
}

TEST(SingleInstance, ASocketLeftByACrashIsTakenOver)
{
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("socket"));
    QFile stale(name);
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.close();
    SingleInstance first(name);
    EXPECT_FALSE(first.handOverOrListen({}));
    EXPECT_TRUE(handOverFromAnotherThread(name, {}));
}

} // namespace quelvar
