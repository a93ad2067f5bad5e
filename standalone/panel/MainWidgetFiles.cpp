// MainWidget: file dialogs, import, export and presets.
#include "standalone/panel/MainWidget.h"

#include "standalone/panel/FileDialogs.h"
#include "standalone/panel/exportChoices.h"
#include "standalone/panel/importReport.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>

namespace quelvar
{

namespace
{
const QString kImportFilter = QStringLiteral(
    "303 pattern (*.303 *.pat *.phptr);;Quelvar pattern (*.303);;ABL Pattern (*.pat);;"
    "Phoscyon Pattern (*.phptr)");
const QString kImportMenuFilter = QStringLiteral(
    "303 pattern (*.303 *.pat *.phptr);;Quelvar pattern (*.303);;ABL2 Pattern (*.pat);;"
    "Phoscyon Pattern (*.phptr)");
const QString kExportButtonFilter = QStringLiteral("Quelvar pattern (*.303);;ABL3 pattern(*.pat)");
} // namespace

void MainWidget::setFileDialogs(std::unique_ptr<FileDialogs> d)
{
    if (d)
        dialogs = std::move(d);
}

QString MainWidget::chooseOpenFile(const QString& title, const QString& filter)
{
    const QString start = lastFileDirectory.isEmpty() ? presets.userFolder() : lastFileDirectory;
    QDir().mkpath(presets.userFolder());
    const QString file = dialogs->openFile(this, title, start, filter);
    if (!file.isEmpty())
        lastFileDirectory = file.left(file.lastIndexOf(QLatin1Char('/')));
    return file;
}

QString MainWidget::chooseSaveFile(const QString& title, const QString& filter,
                                   QString* chosenFilter)
{
    const QString start = lastFileDirectory.isEmpty() ? presets.userFolder() : lastFileDirectory;
    QDir().mkpath(presets.userFolder());
    QString chosen;
    QString file = dialogs->saveFile(this, title, start, filter, &chosen);
    if (file.isEmpty())
        return file;
    lastFileDirectory = file.left(file.lastIndexOf(QLatin1Char('/')));
    file = withSuffixOfFilter(file, chosen.isEmpty() ? filter : chosen);
    if (chosenFilter)
        *chosenFilter = chosen;
    return file;
}

void MainWidget::exportTo(ExportFormat format, const QString& title, const QString& filter)
{
    const QString file = chooseSaveFile(title, filter, nullptr);
    if (!file.isEmpty())
        backend.exportFile(format, file);
}

void MainWidget::exportPattern()
{
    QString chosen;
    const QString file = chooseSaveFile(QStringLiteral("Save File"), kExportButtonFilter, &chosen);
    if (file.isEmpty())
        return;
    // The ABL3 filter writes an ABL3 file: a native pattern under a .pat name would not load.
    const bool abl3 = chosen.startsWith(QLatin1String("ABL3"));
    backend.exportFile(abl3 ? ExportFormat::abl3 : ExportFormat::pattern, file);
}

void MainWidget::exportPattern2(int kind)
{
    if (kind < 0 || kind >= static_cast<int>(kExportChoices.size()))
        return;
    const ExportChoice& c = kExportChoices[static_cast<std::size_t>(kind)];
    if ((c.format == ExportFormat::midi || c.format == ExportFormat::midiChain) &&
        !backend.offersMidiExport())
        return;
    exportTo(c.format, QString::fromLatin1(c.title), QString::fromLatin1(c.filter));
}

bool MainWidget::importBySuffix(const QString& path, int pattern, bool withParameters)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    ImportFormat format = ImportFormat::phoscyon;
    if (suffix == QLatin1String("pat"))
        format = withParameters ? ImportFormat::ablWithParameters : ImportFormat::abl;
    else if (suffix == QLatin1String("303"))
        format = withParameters ? ImportFormat::patternWithParameters : ImportFormat::pattern;
    else if (suffix != QLatin1String("phptr"))
        return false;
    beginFileUndo(false, pattern);
    importing = path;
    backend.importFile(format, pattern, path);
    updatePatternDisplay(true);
    return true;
}

void MainWidget::importFinished(bool read, const QStringList& notices)
{
    endFileUndo(read);
    // The engine keeps what a damaged bank held before its damage.
    if (!read && QFileInfo(importing).suffix().compare(QLatin1String("b303"),
                                                       Qt::CaseInsensitive) == 0)
        showFileReport(this, damagedBankText(importing), true);
    else
        showImportReport(this, importing, read, notices);
}

void MainWidget::importPattern()
{
    const QString file = chooseOpenFile(QStringLiteral("Open 303 Patterns"), kImportFilter);
    if (!file.isEmpty())
        importBySuffix(file, -1, false);
}

void MainWidget::importPattern(int pattern)
{
    importPattern2(0, pattern);
}

void MainWidget::importPattern2(int kind)
{
    importPattern2(kind, -1);
}

void MainWidget::importPattern2(int kind, int pattern)
{
    if (kind == 2)
    {
        const QString file =
            chooseOpenFile(QStringLiteral("Open 303 bank"), QStringLiteral("303 bank (*.b303)"));
        if (!file.isEmpty())
        {
            beginFileUndo(true);
            importing = file;
            backend.importFile(ImportFormat::bank, -1, file);
            updatePatternDisplay(true);
        }
        return;
    }
    const QString title = kind == 1 ? QStringLiteral("Open 303 patterns + params")
                                    : QStringLiteral("Open 303 patterns");
    const QString file = chooseOpenFile(title, kImportMenuFilter);
    if (!file.isEmpty())
        importBySuffix(file, pattern, kind == 1);
}

void MainWidget::loadPreset(const QString& path)
{
    if (!importBySuffix(path, -1, true))
        return;
    presetName->setText(QFileInfo(path).completeBaseName());
    presetArea->setToolTip(QStringLiteral("PRESET %1\n%2\nClick: the pattern files in your preset "
                                          "folder")
                               .arg(presetName->text(), QDir::toNativeSeparators(path)));
}

void MainWidget::previousPattern()
{
    presets.scan();
    const QString path = presets.previous();
    if (!path.isEmpty())
        loadPreset(path);
}

void MainWidget::nextPattern()
{
    presets.scan();
    const QString path = presets.next();
    if (!path.isEmpty())
        loadPreset(path);
}

} // namespace quelvar
