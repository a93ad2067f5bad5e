#include "standalone/StateFile.h"

#include "engine/Palladon.h"
#include "standalone/openFile.h"

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

void StateFile::restore(Palladon& engine) const
{
    if (!QFile::exists(path) || applyBankFile(engine, path))
        return;

    // Set aside once, so the next start neither trips over it again nor loses it.
    QFile::remove(setAsidePath());
    if (!QFile::rename(path, setAsidePath()))
        QFile::remove(path);
    qWarning("Saved state %s is damaged and was not loaded; moved to %s",
             qPrintable(path), qPrintable(setAsidePath()));
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
