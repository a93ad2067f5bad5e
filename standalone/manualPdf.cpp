#include "standalone/manualPdf.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextDocument>

namespace quelvar
{

bool ensureManualPdf(const QString& path)
{
    if (QFileInfo::exists(path))
        return true;
    QFile source(QStringLiteral(":/docs/manual.md"));
    if (!source.open(QIODevice::ReadOnly) || !QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;

    QTextDocument document;
    document.setMarkdown(QString::fromUtf8(source.readAll()));
    // The manual names its pictures relative to itself; they are resources beside it. (Setting
    // the text clears a document's resources, so they come after it.)
    QDirIterator images(QStringLiteral(":/docs/images"));
    while (images.hasNext())
    {
        const QString resource = images.next();
        document.addResource(QTextDocument::ImageResource,
                             QUrl(QStringLiteral("images/") + QFileInfo(resource).fileName()),
                             QImage(resource));
    }

    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setResolution(150);
    writer.setTitle(QStringLiteral("Quelvar Manual"));
    writer.setCreator(QStringLiteral("Quelvar"));
    document.print(&writer);
    return QFileInfo(path).size() > 0;
}

} // namespace quelvar
