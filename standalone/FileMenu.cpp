#include "standalone/FileMenu.h"

#include "engine/Palladon.h"
#include "bridge/editorCommands.h"
#include "standalone/ExportAudioDialog.h"
#include "standalone/openFile.h"
#include "standalone/panel/PatternSelector.h"
#include "standalone/panel/PresetLibrary.h"
#include "standalone/panel/exportChoices.h"
#include "standalone/panel/importReport.h"
#include "standalone/settingsKeys.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QKeySequence>
#include <QMenu>
#include <QMessageBox>
#include <QSettings>
#include <QWidget>

namespace quelvar
{

namespace
{
const QString kOpenFilter = QStringLiteral(
    "Quelvar files (*.303 *.b303 *.pat *.phptr);;Quelvar pattern (*.303);;"
    "Quelvar pattern bank (*.b303);;ABL pattern (*.pat);;Phoscyon pattern (*.phptr)");

bool isBank(const QString& path)
{
    return QFileInfo(path).suffix().compare(QStringLiteral("b303"), Qt::CaseInsensitive) == 0;
}
} // namespace

FileMenu::FileMenu(Palladon& engine, QWidget* window)
    : QObject(window), engine(engine), window(window), dialogs(std::make_unique<QtFileDialogs>())
{
    ask = [this](const QString& text)
    {
        return QMessageBox::question(this->window, QStringLiteral("Quelvar"), text,
                                     QMessageBox::Yes | QMessageBox::Cancel,
                                     QMessageBox::Cancel) == QMessageBox::Yes;
    };
    fileMenu = new QMenu(QStringLiteral("&File"), window);
    QAction* openAction = fileMenu->addAction(QStringLiteral("&Open..."));
    openAction->setShortcut(QKeySequence::Open);
    connect(openAction, &QAction::triggered, this, &FileMenu::chooseAndOpen);
    recentMenu = fileMenu->addMenu(QStringLiteral("Open &Recent"));
    connect(recentMenu, &QMenu::aboutToShow, this, &FileMenu::fillRecentMenu);
    fillRecentMenu();
    fileMenu->addSeparator();
    QAction* saveAction = fileMenu->addAction(QStringLiteral("&Save Pattern..."));
    saveAction->setShortcut(QKeySequence::Save);
    connect(saveAction, &QAction::triggered, this, &FileMenu::savePattern);
    QMenu* exportMenu = fileMenu->addMenu(QStringLiteral("&Export"));
    for (int k = 0; k < static_cast<int>(kExportChoices.size()); ++k)
    {
        const ExportChoice& c = kExportChoices[static_cast<std::size_t>(k)];
        QAction* a = exportMenu->addAction(QString::fromLatin1(c.fileEntry));
        connect(a, &QAction::triggered, this, [this, k] { exportAs(k); });
        if (c.format == ExportFormat::midiChain)
            connect(exportMenu, &QMenu::aboutToShow, a,
                    [this, a] { a->setEnabled(!this->engine.getChain().empty()); });
    }
    QAction* audioAction = fileMenu->addAction(QStringLiteral("Export audio\u2026"));
    audioAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    connect(audioAction, &QAction::triggered, this, &FileMenu::exportAudio);
    remember();
}

ExportAudioDialog* FileMenu::exportAudioDialog()
{
    if (!audioDialog)
    {
        audioDialog =
            new ExportAudioDialog(engine, [this]() -> FileDialogs& { return *dialogs; }, window);
        audioDialog->setPlayingRate(playingRate);
    }
    return audioDialog;
}

void FileMenu::exportAudio()
{
    ExportAudioDialog* d = exportAudioDialog();
    d->show();
    d->raise();
    d->activateWindow();
}

void FileMenu::setFileDialogs(std::unique_ptr<FileDialogs> d)
{
    if (d)
        dialogs = std::move(d);
}

void FileMenu::setQuestion(Question question)
{
    if (question)
        ask = std::move(question);
}

void FileMenu::remember(int patternIndex, const QString& path)
{
    const QString file = path.isEmpty() ? QString() : QFileInfo(path).absoluteFilePath();
    if (patternIndex < 0)
    {
        baseline.take(engine.getSong());
        bankFile = file;
        patternFiles.fill(QString());
    }
    else if (patternIndex < kPatternsPerSong)
    {
        baseline.take(engine.getSong(), patternIndex);
        patternFiles[static_cast<std::size_t>(patternIndex)] = file;
    }
}

bool FileMenu::hasUnsavedEdits(bool wholeSong) const
{
    return wholeSong ? baseline.songChanged(engine.getSong())
                     : baseline.patternChanged(engine.getSong(), engine.getCurrentPatternIndex());
}

QString FileMenu::documentTitle() const
{
    const int index = engine.getCurrentPatternIndex();
    QString pattern = PatternSelector::label(index);
    if (const Pattern* p = engine.getSong().getPattern(index))
    {
        const QString name = QString::fromStdString(p->getName()).trimmed();
        if (!name.isEmpty())
            pattern += QLatin1Char(' ') + name;
    }
    const QString own =
        index >= 0 && index < kPatternsPerSong ? patternFiles[static_cast<std::size_t>(index)]
                                               : QString();
    const QString file = own.isEmpty() ? bankFile : own;
    return file.isEmpty() ? pattern
                          : QStringLiteral("%1 (%2)").arg(QFileInfo(file).fileName(), pattern);
}

bool FileMenu::documentModified() const
{
    const int index = engine.getCurrentPatternIndex();
    const bool fromBank = !bankFile.isEmpty() && index >= 0 && index < kPatternsPerSong &&
                          patternFiles[static_cast<std::size_t>(index)].isEmpty();
    return hasUnsavedEdits(fromBank);
}

bool FileMenu::open(const QString& path)
{
    const bool bank = isBank(path);
    if (hasUnsavedEdits(bank) &&
        !ask(QStringLiteral("%1 has edits that are not saved in a file. Replace %2 with \"%3\"?")
                 .arg(bank ? QStringLiteral("The song") : QStringLiteral("The current pattern"),
                      bank ? QStringLiteral("every pattern") : QStringLiteral("it"),
                      QFileInfo(path).fileName())))
        return false;
    emit replacing(bank);
    QStringList notices;
    const QString problem = openFileInEngine(engine, path, &notices);
    emit replaced(problem.isEmpty());
    if (!problem.isEmpty())
    {
        showFileReport(window, problem, true);
        return false;
    }
    remember(bank ? -1 : engine.getCurrentPatternIndex(), path);
    addRecent(path);
    if (!notices.isEmpty())
        showFileReport(window, importNoticesText(path, notices), false);
    return true;
}

QString FileMenu::startFolder() const
{
    if (!lastFolder.isEmpty())
        return lastFolder;
    const QString user = PresetLibrary(PresetLibrary::defaultFolder()).userFolder();
    QDir().mkpath(user);
    return user;
}

void FileMenu::chooseAndOpen()
{
    const QString file = dialogs->openFile(window, QStringLiteral("Open Pattern or Bank"),
                                           startFolder(), kOpenFilter);
    if (file.isEmpty())
        return;
    lastFolder = QFileInfo(file).absolutePath();
    open(file);
}

QString FileMenu::chooseSaveFile(const QString& title, const QString& filter)
{
    QString chosen;
    const QString file = withSuffixOfFilter(
        dialogs->saveFile(window, title, startFolder(), filter, &chosen), filter);
    if (!file.isEmpty())
        lastFolder = QFileInfo(file).absolutePath();
    return file;
}

void FileMenu::savePattern()
{
    exportAs(0);
}

void FileMenu::exportAs(int choice)
{
    if (choice < 0 || choice >= static_cast<int>(kExportChoices.size()))
        return;
    const ExportChoice& c = kExportChoices[static_cast<std::size_t>(choice)];
    const QString file =
        chooseSaveFile(QString::fromLatin1(c.title), QString::fromLatin1(c.filter));
    if (file.isEmpty())
        return;
    if (!editorCommands::exportFile(engine, c.format,
                                    QFile::encodeName(file).toStdString()))
    {
        QMessageBox::warning(window, QStringLiteral("Quelvar"),
                             QStringLiteral("\"%1\" could not be written.").arg(file));
        return;
    }
    // What the formats that keep everything hold is safe; the others lose some of it.
    if (c.format == ExportFormat::pattern)
        remember(engine.getCurrentPatternIndex(), file);
    if (c.format == ExportFormat::bank)
        remember(-1, file);
    if (c.format != ExportFormat::midi && c.format != ExportFormat::midiChain)
        addRecent(file);
}

QStringList FileMenu::recentFiles() const
{
    return QSettings().value(QString::fromLatin1(settings::kRecentFiles)).toStringList();
}

void FileMenu::addRecent(const QString& path)
{
    QStringList files = recentFiles();
    const QString absolute = QFileInfo(path).absoluteFilePath();
    files.removeAll(absolute);
    files.prepend(absolute);
    while (files.size() > kRecentFiles)
        files.removeLast();
    QSettings().setValue(QString::fromLatin1(settings::kRecentFiles), files);
    fillRecentMenu();
}

void FileMenu::fillRecentMenu()
{
    recentMenu->clear();
    for (const QString& file : recentFiles())
    {
        if (!QFileInfo::exists(file))
            continue;
        QAction* a = recentMenu->addAction(QFileInfo(file).fileName());
        a->setToolTip(file);
        connect(a, &QAction::triggered, this, [this, file] { open(file); });
    }
    recentMenu->setEnabled(!recentMenu->isEmpty());
}

} // namespace quelvar
