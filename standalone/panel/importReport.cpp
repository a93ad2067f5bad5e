#include "standalone/panel/importReport.h"

#include <QFileInfo>
#include <QMessageBox>
#include <QWidget>

namespace quelvar
{

QString refusedFileText(const QString& path)
{
    return QStringLiteral("\"%1\" is not a pattern or bank Quelvar can read; nothing was changed.")
        .arg(QFileInfo(path).fileName());
}

QString damagedBankText(const QString& path)
{
    return QStringLiteral("\"%1\" is not a bank Quelvar can read whole; anything before the "
                          "damage was loaded.")
        .arg(QFileInfo(path).fileName());
}

QString importNoticesText(const QString& path, const QStringList& notices)
{
    return QStringLiteral("\"%1\" was read with these changes:\n%2")
        .arg(QFileInfo(path).fileName(), notices.join(QLatin1Char('\n')));
}

void showFileReport(QWidget* parent, const QString& text, bool warning)
{
    static const QString kName = QStringLiteral("file_report");
    // Closing only hides the box.
    QMessageBox* box = parent->findChild<QMessageBox*>(kName, Qt::FindDirectChildrenOnly);
    if (!box)
    {
        box = new QMessageBox(parent);
        box->setObjectName(kName);
        box->setWindowTitle(QStringLiteral("Quelvar"));
        box->setStandardButtons(QMessageBox::Ok);
        box->setModal(false);
    }
    box->setIcon(warning ? QMessageBox::Warning : QMessageBox::Information);
    box->setText(text);
    box->show();
}

void showImportReport(QWidget* parent, const QString& path, bool read, const QStringList& notices)
{
    if (!read)
        showFileReport(parent, refusedFileText(path), true);
    else if (!notices.isEmpty())
        showFileReport(parent, importNoticesText(path, notices), false);
}

} // namespace quelvar
