#include "standalone/panel/FileDialogs.h"

#include <QFileDialog>

namespace quelvar
{

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
