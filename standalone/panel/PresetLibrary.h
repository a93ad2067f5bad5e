// The preset folder Documents/Brontavell/Quelvar/Patterns: the pattern files found in it and
// its subfolders, the one loaded last, and the factory patterns put into it on first start.
// Qt main thread; reads and writes files.
#pragma once

#include <QString>
#include <QStringList>

namespace quelvar
{

class PresetLibrary
{
public:
    // The folder in the user's documents; "USER" under it is where file dialogs start.
    static QString defaultFolder();
    static bool isPatternFile(const QString& path);

    explicit PresetLibrary(QString folder) : root(std::move(folder)) {}

    const QString& folder() const { return root; }
    QString userFolder() const { return root + QStringLiteral("/USER"); }

    // Only when the folder is missing or holds nothing at all: writes the factory patterns
    // into its "Factory" subfolder and makes the empty "USER" one. Returns the files written.
    int installFactoryPatterns();
    // Finds every file with the suffix 303, pat or phptr, recursively, in path order.
    void scan();

    const QStringList& presets() const { return files; }
    int current() const { return index; }
    // Step through the list with wrapping; empty when there is nothing to step through.
    QString next();
    QString previous();
    // A preset chosen by path (the preset menu) becomes the current one.
    void choose(const QString& path);

private:
    QString root;
    QStringList files;
    int index = -1;
};

} // namespace quelvar
