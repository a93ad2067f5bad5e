#include "standalone/openFile.h"

#include "engine/Palladon.h"
#include "engine/PalladonFiles.h"

#include <QFile>
#include <QFileInfo>

namespace quelvar
{

// A half-applied bank is no use to someone who opened a file by double-clicking it.
bool applyBankFile(Palladon& engine, const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    return applyWholeChunk(engine, reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                           static_cast<std::size_t>(bytes.size()));
}

QString openFileInEngine(Palladon& engine, const QString& path)
{
    const QFileInfo info(path);
    if (!info.isFile() || !info.isReadable())
        return QStringLiteral("Quelvar cannot read \"%1\".").arg(path);
    const std::string local = QFile::encodeName(path).toStdString();
    const QString suffix = info.suffix().toLower();
    bool loaded = false;
    if (suffix == QStringLiteral("b303"))
        loaded = applyBankFile(engine, path);
    else if (suffix == QStringLiteral("303"))
        loaded = engine.importPattern(local, -1, true);
    else if (suffix == QStringLiteral("pat"))
        loaded = engine.importABLPattern(local, -1, true);
    else if (suffix == QStringLiteral("phptr"))
        loaded = engine.importPhoscyonPattern(local, -1);
    else
        return QStringLiteral("Quelvar opens .303, .b303, .pat and .phptr files, not \"%1\".")
            .arg(info.fileName());
    return loaded ? QString()
                  : QStringLiteral("\"%1\" is not a pattern or bank Quelvar can read; nothing "
                                   "was changed.")
                        .arg(info.fileName());
}

} // namespace quelvar
