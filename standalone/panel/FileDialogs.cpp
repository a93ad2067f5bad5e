#include "standalone/panel/FileDialogs.h"

#include <QFileDialog>
#include <QFileInfo>

namespace quelvar
{

QString withSuffixOfFilter(const QString& file, const QString& filter)
{
    if (file.isEmpty() || !QFileInfo(file).suffix().isEmpty())
        return file;
    const qsizetype star = filter.indexOf(QLatin1String("*."));
    if (star < 0)
        return file;
    qsizetype end = star + 2;
    while (end < filter.size() && filter[end].isLetterOrNumber())
        ++end;
    return end > star + 2 ? file + QLatin1Char('.') + filter.mid(star + 2, end - star - 2) : file;
}

QString QtFileDialogs::openFile(QWidget* parent, const QString& title, const QString& directory,
                                const QString& filter)
{
    return QFileDialog::getOpenFileName(parent, title, directory, filter);
}

QString QtFileDialogs::saveFile(QWidget* parent, const QString& title, const QString& directory,
                                const QString& filter, QString* selectedFilter)
{
    return QFileDialog::getSaveFileName(parent, title, directory, filter, selectedFilter);
}

} // namespace quelvar
