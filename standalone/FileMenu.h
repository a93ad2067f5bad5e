// The main window's File menu: open a pattern or bank, save the pattern, export it in every
// format, render it to audio, and the files used lately. A file that would replace a pattern (or, a bank, the song)
// with edits not saved in any file asks first. Main thread.
#pragma once

#include "standalone/SongBaseline.h"
#include "standalone/panel/FileDialogs.h"
#include "standalone/panel/PanelBackend.h"

#include <QObject>
#include <QStringList>

#include <array>
#include <functional>
#include <memory>

class QMenu;
class QWidget;

namespace quelvar
{

class ExportAudioDialog;
class Palladon;

class FileMenu : public QObject
{
    Q_OBJECT

public:
    static constexpr int kRecentFiles = 8;

    FileMenu(Palladon& engine, QWidget* window);

    QMenu* menu() const { return fileMenu; }
    // Asks before edits would be lost, opens, and tells the user what went wrong if it failed.
    bool open(const QString& path);
    // What the file at path holds now: the pattern at that index, or with -1 the whole song. No
    // path: the state the program started with.
    void remember(int patternIndex = -1, const QString& path = QString());
    bool hasUnsavedEdits(bool wholeSong) const;
    // The current pattern, after the file it was last read from or written to (a pattern's own,
    // or else the bank's): "bass.303 (A1 Acid)".
    QString documentTitle() const;
    // The current pattern holds edits that file lacks; with a bank, any pattern does.
    bool documentModified() const;
    // Most recent first.
    QStringList recentFiles() const;

    void setFileDialogs(std::unique_ptr<FileDialogs> dialogs);
    // The rate the program plays at, which the audio export offers first.
    void setPlayingRate(int rate) { playingRate = rate; }
    // Made on first use.
    ExportAudioDialog* exportAudioDialog();
    // Answers whether to go on; the default asks in a message box.
    using Question = std::function<bool(const QString& text)>;
    void setQuestion(Question question);

public slots:
    void chooseAndOpen();
    void savePattern();
    void exportAs(int choice);
    // "Export audio…": the dialog that renders the current pattern to a WAV file.
    void exportAudio();

signals:
    // Around a file that replaces the current pattern, or with wholeSong (a bank) every pattern:
    // what the panel keeps for undo. `done` is false when the file was refused.
    void replacing(bool wholeSong);
    void replaced(bool done);

private:
    QString startFolder() const;
    QString chooseSaveFile(const QString& title, const QString& filter);
    void addRecent(const QString& path);
    void fillRecentMenu();

    Palladon& engine;
    QWidget* window;
    QMenu* fileMenu = nullptr;
    QMenu* recentMenu = nullptr;
    std::unique_ptr<FileDialogs> dialogs;
    Question ask;
    SongBaseline baseline;
    std::array<QString, kPatternsPerSong> patternFiles; // since the bank, if any
    QString bankFile;
    QString lastFolder;
    ExportAudioDialog* audioDialog = nullptr;
    int playingRate = 44100;
};

} // namespace quelvar
