#include "standalone/manualPdf.h"

#include <QAbstractTextDocumentLayout>
#include <QDir>
#include <QDirIterator>
#include <QFont>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextImageFormat>

namespace quelvar
{

namespace
{
constexpr double kUnitsPerInch = 96.0;
constexpr double kMarginMm = 20.0;
constexpr int kLayoutRounds = 8;
constexpr double kTextPoints = 10.0;

double units(double mm)
{
    return mm / 25.4 * kUnitsPerInch;
}

int pageOf(double y, double pageHeight)
{
    return static_cast<int>(y / pageHeight);
}

// Code blocks keep their lines whole by default and run off the page; here they wrap, at a word
// where there is one. Pictures are no wider than the text.
void fitToWidth(QTextDocument& document, double width)
{
    QTextOption option = document.defaultTextOption();
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    document.setDefaultTextOption(option);
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
    {
        QTextCursor cursor(block);
        QTextBlockFormat format = block.blockFormat();
        if (format.nonBreakableLines())
        {
            format.setNonBreakableLines(false);
            cursor.setBlockFormat(format);
        }
        for (auto it = block.begin(); !it.atEnd(); ++it)
        {
            const QTextFragment fragment = it.fragment();
            QTextImageFormat image = fragment.charFormat().toImageFormat();
            if (!image.isValid())
                continue;
            const QImage picture =
                document.resource(QTextDocument::ImageResource, QUrl(image.name())).value<QImage>();
            if (picture.isNull() || picture.width() <= width)
                continue;
            image.setWidth(width);
            image.setHeight(picture.height() * width / picture.width());
            QTextCursor at(&document);
            at.setPosition(fragment.position());
            at.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
            at.setCharFormat(image);
        }
    }
}

// Format changes lay out again only in part; the measures below need every line in place.
void layOutAgain(QTextDocument& document)
{
    document.markContentsDirty(0, document.characterCount());
    document.pageCount();
}

// A heading whose next block starts on a later page goes to that page too.
bool keepHeadingsWithTheirText(QTextDocument& document, double pageHeight)
{
    bool moved = false;
    QAbstractTextDocumentLayout* layout = document.documentLayout();
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
    {
        const QTextBlock next = block.next();
        if (block.blockFormat().headingLevel() == 0 || !next.isValid() ||
            block.blockFormat().pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore)
            continue;
        const QRectF heading = layout->blockBoundingRect(block);
        const QRectF following = layout->blockBoundingRect(next);
        const double firstLine = following.top() + (next.layout()->lineCount() > 0
                                                        ? next.layout()->lineAt(0).rect().bottom()
                                                        : following.height());
        if (pageOf(heading.top(), pageHeight) != pageOf(firstLine, pageHeight))
        {
            QTextBlockFormat format = block.blockFormat();
            format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
            QTextCursor(block).setBlockFormat(format);
            moved = true;
        }
    }
    return moved;
}
} // namespace

ManualPages::ManualPages() = default;
ManualPages::~ManualPages() = default;
ManualPages::ManualPages(ManualPages&&) noexcept = default;

void ManualPages::draw(QPainter& painter, int index) const
{
    painter.save();
    painter.translate(0, -index * page.height());
    document->drawContents(&painter, QRectF(QPointF(0, index * page.height()), page));
    painter.restore();
}

ManualPages layOutManual()
{
    ManualPages pages;
    QFile source(QStringLiteral(":/docs/manual.md"));
    if (!source.open(QIODevice::ReadOnly))
        return pages;
    pages.document = std::make_unique<QTextDocument>();
    QTextDocument& document = *pages.document;
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
    const QSizeF a4 = QPageSize(QPageSize::A4).size(QPageSize::Millimeter);
    pages.page = QSizeF(units(a4.width() - 2 * kMarginMm), units(a4.height() - 2 * kMarginMm));
    document.setDocumentMargin(0);
    QFont font = document.defaultFont();
    font.setPointSizeF(kTextPoints);
    document.setDefaultFont(font);
    document.setPageSize(pages.page);
    fitToWidth(document, pages.page.width());
    layOutAgain(document);
    for (int round = 0; round < kLayoutRounds; ++round)
    {
        if (!keepHeadingsWithTheirText(document, pages.page.height()))
            break;
        layOutAgain(document);
    }
    pages.count = document.pageCount();
    return pages;
}

bool ensureManualPdf(const QString& path)
{
    if (QFileInfo::exists(path))
        return true;
    const ManualPages pages = layOutManual();
    if (!pages.document || !QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;

    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm),
                          QPageLayout::Millimeter);
    writer.setResolution(300);
    writer.setTitle(QStringLiteral("Quelvar Manual"));
    writer.setCreator(QStringLiteral("Quelvar"));
    QPainter painter(&writer);
    const double scale = writer.resolution() / kUnitsPerInch;
    painter.scale(scale, scale);
    for (int i = 0; i < pages.count; ++i)
    {
        if (i > 0)
            writer.newPage();
        pages.draw(painter, i);
    }
    painter.end();
    return QFileInfo(path).size() > 0;
}

} // namespace quelvar
