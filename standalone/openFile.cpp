#include "standalone/openFile.h"

#include "engine/Palladon.h"
#include "engine/PalladonFiles.h"
#include "standalone/panel/importReport.h"

#include <QFile>
#include <QFileInfo>

namespace quelvar
{

// A half-applied bank is no use to someone who opened a file by double-clicking it.
bool applyBankFile(Palladon& engine, const QString& path, std::vector<std::string>* notices)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    return applyWholeChunk(engine, reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                           static_cast<std::size_t>(bytes.size()), notices);
}

QString openFileInEngine(Palladon& engine, const QString& path, QStringList* notices)
{
    const QFileInfo info(path);
    if (!info.isFile() || !info.isReadable())
        return QStringLiteral("Quelvar cannot read \"%1\".").arg(path);
    const std::string local = QFile::encodeName(path).toStdString();
    const QString suffix = info.suffix().toLower();
    std::vector<std::string> said;
    bool loaded = false;
    if (suffix == QStringLiteral("b303"))
        loaded = applyBankFile(engine, path, &said);
    else if (suffix == QStringLiteral("303"))
        loaded = engine.importPattern(local, -1, true, &said);
    else if (suffix == QStringLiteral("pat"))
        loaded = engine.importABLPattern(local, -1, true, &said);
    else if (suffix == QStringLiteral("phptr"))
        loaded = engine.importPhoscyonPattern(local, -1, &said);
    else
        return QStringLiteral("Quelvar opens .303, .b303, .pat and .phptr files, not \"%1\".")
            .arg(info.fileName());
    if (!loaded)
        return refusedFileText(path);
    if (notices)
        for (const std::string& n : said)
            *notices << QString::fromStdString(n);
    return {};
}

} // namespace quelvar
