// What the user reads after opening or importing a file: that it was refused, or what its reader
// changed or left out on the way in. Main thread.
#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace quelvar
{

// "x.pat" is not a pattern or bank Quelvar can read; nothing was changed.
QString refusedFileText(const QString& path);
// A bank read up to a damaged place: what came before it was loaded.
QString damagedBankText(const QString& path);
// The file's name, then one notice a line.
QString importNoticesText(const QString& path, const QStringList& notices);
// In a box that does not block, one per window, which the next report reuses.
void showFileReport(QWidget* parent, const QString& text, bool warning);
// The refusal, or the notices; nothing for a file read without a notice.
void showImportReport(QWidget* parent, const QString& path, bool read, const QStringList& notices);

} // namespace quelvar
