#include "standalone/SingleInstance.h"

#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

#include <unistd.h>

namespace quelvar
{

namespace
{
constexpr int kConnectMs = 1000;
constexpr int kAnswerMs = 5000;
constexpr int kAttempts = 3;
// Far more than any list of files needs; a peer that sends more is cut off.
constexpr qint64 kMaxMessageBytes = 64 * 1024;
// The message: one absolute path a line, then an empty line; the answer: "ok".
const QByteArray kAnswer = QByteArrayLiteral("ok\n");
} // namespace

QString SingleInstance::defaultName()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return folder + QStringLiteral("/quelvar-standalone-%1").arg(getuid());
}

SingleInstance::SingleInstance(QString socketName, QObject* parent)
    : QObject(parent), name(std::move(socketName))
{
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::handOverOrListen(const QStringList& files)
{
    // Two programs started at once both find no one; the one that fails to listen tries again.
    for (int attempt = 0; attempt < kAttempts; ++attempt)
    {
        if (handOver(files))
            return true;
        if (listen())
            return false;
    }
    return false;
}

bool SingleInstance::handOver(const QStringList& files)
{
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(kConnectMs))
        return false;
    QByteArray message;
    for (const QString& file : files)
        message += QFileInfo(file).absoluteFilePath().toUtf8() + '\n';
    message += '\n';
    socket.write(message);
    if (!socket.waitForBytesWritten(kAnswerMs))
        return false;
    QByteArray answer;
    while (!answer.endsWith('\n') && socket.waitForReadyRead(kAnswerMs))
        answer += socket.readAll();
    return answer == kAnswer;
}

bool SingleInstance::listen()
{
    delete server;
    server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (server->listen(name))
    {
        connect(server, &QLocalServer::newConnection, this, &SingleInstance::accept);
        return true;
    }
    // Left by a program that did not end cleanly: nobody answered on it a moment ago.
    if (server->serverError() == QAbstractSocket::AddressInUseError)
    {
        QLocalSocket probe;
        probe.connectToServer(name);
        if (probe.waitForConnected(kConnectMs))
            return false;
        QLocalServer::removeServer(name);
        if (server->listen(name))
        {
            connect(server, &QLocalServer::newConnection, this, &SingleInstance::accept);
            return true;
        }
    }
    return false;
}

void SingleInstance::accept()
{
    while (QLocalSocket* socket = server->nextPendingConnection())
    {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this,
                [this, socket]
                {
                    if (socket->bytesAvailable() > kMaxMessageBytes)
                    {
                        socket->abort();
                        return;
                    }
                    // Complete once the empty line has come; until then, wait for more.
                    const QByteArray all = socket->peek(socket->bytesAvailable());
                    if (!all.endsWith("\n\n") && all != "\n")
                        return;
                    QStringList files;
                    for (const QByteArray& line : socket->readAll().split('\n'))
                        if (!line.isEmpty())
                            files << QString::fromUtf8(line);
                    socket->write(kAnswer);
                    socket->flush();
                    emit filesReceived(files);
                });
    }
}

} // namespace quelvar
