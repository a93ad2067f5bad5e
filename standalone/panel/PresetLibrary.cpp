#include "standalone/panel/PresetLibrary.h"

#include "standalone/panel/factoryPatterns.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace quelvar
{

QString PresetLibrary::defaultFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) +
           QStringLiteral("/Brontavell/Quelvar/Patterns");
}

bool PresetLibrary::isPatternFile(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QLatin1String("303") || suffix == QLatin1String("pat") ||
           suffix == QLatin1String("phptr");
}

int PresetLibrary::installFactoryPatterns()
{
    QDir dir(root);
    if (dir.exists() &&
        !dir.isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System))
        return 0;
    const QString factory = root + QStringLiteral("/Factory");
    if (!QDir().mkpath(factory) || !QDir().mkpath(userFolder()))
        return 0;
    int written = 0;
    for (const FactoryFile& f : factoryPatternFiles())
    {
        QSaveFile out(factory + QLatin1Char('/') + f.fileName);
        if (out.open(QIODevice::WriteOnly) && out.write(f.bytes) == f.bytes.size() && out.commit())
            ++written;
    }
    return written;
}

void PresetLibrary::scan()
{
    const QString remembered = index >= 0 && index < files.size() ? files[index] : QString();
    files.clear();
    QDirIterator it(root, QDir::Files | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext())
    {
        const QString path = it.next();
        if (isPatternFile(path))
            files.push_back(path);
    }
    files.sort();
    index = static_cast<int>(files.indexOf(remembered));
}

QString PresetLibrary::next()
{
    if (files.isEmpty())
        return {};
    index = (index + 1) % static_cast<int>(files.size());
    return files[index];
}

QString PresetLibrary::previous()
{
    if (files.isEmpty())
        return {};
    const int n = static_cast<int>(files.size());
    index = index <= 0 ? n - 1 : index - 1;
    return files[index];
}

void PresetLibrary::choose(const QString& path)
{
    index = static_cast<int>(files.indexOf(path));
}

} // namespace quelvar
