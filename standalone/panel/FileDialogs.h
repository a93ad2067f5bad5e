// The panel's file dialogs behind one seam, so tests answer them without a window. An empty
// answer means the user cancelled. Qt main thread.
#pragma once

#include <QString>

class QWidget;

namespace quelvar
{

class FileDialogs
{
public:
    virtual ~FileDialogs() = default;

    virtual QString openFile(QWidget* parent, const QString& title, const QString& directory,
                             const QString& filter) = 0;
    // `selectedFilter` receives the filter the user chose.
    virtual QString saveFile(QWidget* parent, const QString& title, const QString& directory,
                             const QString& filter, QString* selectedFilter) = 0;
};

// A name typed without a suffix gets the filter's first one ("*.303" gives ".303"), so the
// readers, which go by suffix, know the file again.
QString withSuffixOfFilter(const QString& file, const QString& filter);

// Qt's dialogs.
class QtFileDialogs final : public FileDialogs
{
public:
    QString openFile(QWidget* parent, const QString& title, const QString& directory,
                     const QString& filter) override;
    QString saveFile(QWidget* parent, const QString& title, const QString& directory,
                     const QString& filter, QString* selectedFilter) override;
};

} // namespace quelvar
