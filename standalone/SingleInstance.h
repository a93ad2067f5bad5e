// One program per user session: the first start listens on a local socket; a later start hands
// the files it was given to the first one and ends. Main thread.
#pragma once

#include <QObject>
#include <QStringList>

class QLocalServer;

namespace quelvar
{

class SingleInstance : public QObject
{
    Q_OBJECT

public:
    // The socket lives in the session's runtime folder (or the temporary folder), named for
    // the user.
    static QString defaultName();

    explicit SingleInstance(QString name = defaultName(), QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when a running program took the files (none: it only comes to the front); false when
    // there is none, and this one now listens in its place.
    bool handOverOrListen(const QStringList& files);

signals:
    // Files a later start handed over; empty: it was started without any.
    void filesReceived(const QStringList& files);

private:
    bool handOver(const QStringList& files);
    bool listen();
    void accept();

    QString name;
    QLocalServer* server = nullptr;
};

} // namespace quelvar
