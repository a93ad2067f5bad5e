// The UI process's side of the bridge: polls the notice pipe every 20 ms and turns each notice
// into a signal, and writes commands, each in one write that is dropped when the pipe is full.
// It also quits when the plugin's process is gone. Qt main thread.
#pragma once

#include <QObject>
#include <QStringList>
#include <QTimer>

#include <cstddef>
#include <cstdint>
#include <span>
#include <sys/types.h>
#include <vector>

namespace quelvar
{

class UICommunication : public QObject
{
    Q_OBJECT

public:
    // Takes the descriptors the plugin handed down: commands are written to the first, notices
    // read from the second, which is made non-blocking. A negative one stays unused.
    UICommunication(int commandFd, int noticeFd, QObject* parent = nullptr);
    ~UICommunication() override;

    void start();
    bool sendCommand(const std::uint8_t* message, std::size_t length);

public slots:
    void processMessageFromPlugin();

signals:
    void parameterChanged(int index, float value);
    void refreshRequested();
    void stepChanged(int step);
    void midiMessage(int status, int data1, int data2);
    void windowChanged(quint64 window);
    void distortionTypeChanged(int type);
    // The plugin read (or refused) the file the last import named; one notice a line.
    void importFinished(bool read, const QStringList& notices);
    // The file of the playing line the plugin wrote; empty when it wrote none.
    void lineFileWritten(const QString& path);
    void quitRequested();

private:
    void processNotices(std::span<const std::uint8_t> bytes);
    void quit();

    int commandFd = -1;
    int noticeFd = -1;
    std::vector<std::uint8_t> buffer;
    QTimer poll;
    pid_t parentProcess;
    bool quitting = false;
};

} // namespace quelvar
