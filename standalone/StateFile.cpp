#include "standalone/StateFile.h"

#include "engine/Palladon.h"
#include "io/stateChunk.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace quelvar
{

QString StateFile::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
           QStringLiteral("/state.b303");
}

StateFile::Restore StateFile::restore(Palladon& engine) const
{
    QFile file(path);
    if (!file.exists())
        return Restore::absent;
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly))
        bytes = file.readAll();
    file.close();

    const ParsedChunk chunk =
        parseChunk(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                   static_cast<std::size_t>(bytes.size()));
    if (chunk.accepted && applyChunk(engine, chunk) == 1)
        return Restore::restored;

    // Set aside once, so the next start neither trips over it again nor loses it.
    QFile::remove(setAsidePath());
    if (!QFile::rename(path, setAsidePath()))
        QFile::remove(path);
    qWarning("Saved state %s is damaged and was not loaded; moved to %s",
             qPrintable(path), qPrintable(setAsidePath()));
    return Restore::setAside;
}

bool StateFile::save(Palladon& engine) const
{
    void* data = nullptr;
    const VstInt32 size = engine.getChunk(&data, false);
    if (size <= 0 || !data)
        return false;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
    {
        qWarning("Cannot save the state to %s", qPrintable(path));
        return false;
    }
    file.write(static_cast<const char*>(data), size);
    if (!file.commit())
    {
        qWarning("Cannot save the state to %s", qPrintable(path));
        return false;
    }
    return true;
}

} // namespace quelvar
