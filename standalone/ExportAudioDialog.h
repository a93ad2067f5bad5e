// File > "Export audio…": how many passes of the current pattern (or bars), the delay's tail, the
// sample format and rate; then a file name, and the render runs on a thread of its own with a
// progress bar and a cancel button. The playing engine is only read, on the main thread, when
// the export starts. Main thread.
#pragma once

#include "standalone/AudioExport.h"

#include <QDialog>
#include <QTimer>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

class QCheckBox;
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QSpinBox;

namespace quelvar
{

class FileDialogs;
class Palladon;

class ExportAudioDialog : public QDialog
{
    Q_OBJECT

public:
    // dialogs: where the file name is asked for, looked up at each export.
    ExportAudioDialog(Palladon& engine, std::function<FileDialogs&()> dialogs,
                      QWidget* parent = nullptr);
    ~ExportAudioDialog() override;

    // The rate the program plays at is offered first.
    void setPlayingRate(int rate);
    AudioExportSettings settings() const;
    bool running() const { return worker.joinable(); }
    // What the last export came to, as the dialog shows it.
    QString status() const;

public slots:
    // Asks for the file, then renders into it.
    void chooseAndExport();
    // Renders into `path` with the dialog's settings; false when it could not start.
    bool exportTo(const QString& path);
    void cancel();

protected:
    void reject() override;

private:
    void poll();
    void finish();
    void setRunning(bool on);

    Palladon& engine;
    std::function<FileDialogs&()> dialogs;
    QSpinBox* count = nullptr;
    QComboBox* unit = nullptr;
    QCheckBox* tail = nullptr;
    QComboBox* format = nullptr;
    QComboBox* rate = nullptr;
    QProgressBar* progress = nullptr;
    QLabel* statusLine = nullptr;
    QPushButton* exportButton = nullptr;
    QPushButton* cancelButton = nullptr;
    QPushButton* closeButton = nullptr;
    QTimer pollTimer;
    QString target;

    std::unique_ptr<AudioExport> exporter;
    std::thread worker;
    std::atomic<bool> cancelRequest{false};
    std::atomic<bool> finished{false};
    std::atomic<bool> succeeded{false};
};

} // namespace quelvar
