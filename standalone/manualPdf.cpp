#include "standalone/manualPdf.h"

#include <QAbstractTextDocumentLayout>
#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFont>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextImageFormat>
#include <QTextTable>

#include <algorithm>
#include <cmath>
#include <vector>

namespace quelvar
{

namespace
{
constexpr double kUnitsPerInch = 96.0;
constexpr double kMarginMm = 20.0;
constexpr double kTextPoints = 10.0;
constexpr int kShrinkRounds = 4;
// Each round moves one group to the next page.
constexpr int kPaginationRounds = 64;
// Part of the stamp: raised whenever the layout below changes, so that a PDF laid out the old way
// is written again although the manual's text is the same.
constexpr int kLayoutRevision = 2;
// A PDF larger than this is not one the program wrote.
constexpr qint64 kLargestPdf = qint64{64} << 20;
constexpr const char* kManual = ":/docs/manual.md";
constexpr const char* kImages = ":/docs/images";

double units(double mm)
{
    return mm / 25.4 * kUnitsPerInch;
}

int pageOf(double y, double pageHeight)
{
    return static_cast<int>(y / pageHeight);
}

// What pagination moves as one: a block, a table, or the lines of one command block.
struct Part
{
    QTextBlock first;
    QTextBlock last;
    QTextFrame* frame = nullptr;
    bool command = false;
    // A heading, or a line that introduces a table or a command block ("On Debian 12:"): it goes
    // where the next part goes.
    bool leads = false;
};

std::vector<Part> partsOf(QTextDocument& document)
{
    std::vector<Part> parts;
    for (auto it = document.rootFrame()->begin(); !it.atEnd(); ++it)
    {
        if (QTextFrame* frame = it.currentFrame())
        {
            parts.push_back({QTextBlock(), QTextBlock(), frame, false, false});
            continue;
        }
        const QTextBlock block = it.currentBlock();
        // The markdown reader makes each line of a command block an unbreakable block.
        const bool command = block.blockFormat().nonBreakableLines();
        if (command && !parts.empty() && parts.back().command && parts.back().last.next() == block)
            parts.back().last = block;
        else
            parts.push_back({block, block, nullptr, command, false});
    }
    for (std::size_t i = 0; i < parts.size(); ++i)
    {
        Part& p = parts[i];
        if (p.frame || p.command)
            continue;
        const bool introduces = i + 1 < parts.size() &&
                                (parts[i + 1].frame || parts[i + 1].command) &&
                                p.first.text().endsWith(QLatin1Char(':'));
        p.leads = p.first.blockFormat().headingLevel() > 0 || introduces;
    }
    return parts;
}

// Pictures no wider than the text.
void fitPicturesToWidth(QTextDocument& document, double width)
{
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
    {
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

// A command line is never wrapped: a command block too wide for the page is set smaller, all its
// lines alike so that their comments stay aligned. True when one was.
bool fitCommandsToWidth(const std::vector<Part>& parts, double width)
{
    bool shrunk = false;
    for (const Part& p : parts)
    {
        if (!p.command)
            continue;
        double widest = 0.0;
        for (QTextBlock b = p.first; b.isValid(); b = b.next())
        {
            const QTextLayout* lines = b.layout();
            for (int i = 0; i < lines->lineCount(); ++i)
                widest = std::max(widest, lines->lineAt(i).naturalTextWidth());
            if (b == p.last)
                break;
        }
        if (widest <= width)
            continue;
        QTextCursor cursor(p.first);
        const double points = cursor.charFormat().fontPointSize() > 0.0
                                  ? cursor.charFormat().fontPointSize()
                                  : kTextPoints;
        QTextCharFormat smaller;
        smaller.setFontPointSize(std::floor(points * width / widest * 10.0) / 10.0);
        cursor.setPosition(p.last.position() + p.last.length() - 1, QTextCursor::KeepAnchor);
        cursor.mergeCharFormat(smaller);
        shrunk = true;
    }
    return shrunk;
}

// Format changes lay out again only in part; the measures below need every line in place.
void layOutAgain(QTextDocument& document)
{
    document.markContentsDirty(0, document.characterCount());
    document.pageCount();
}

double bottomOfRow(const QAbstractTextDocumentLayout& layout, QTextTable& table, int row)
{
    double bottom = 0.0;
    for (int column = 0; column < table.columns(); ++column)
        bottom = std::max(
            bottom,
            layout.blockBoundingRect(table.cellAt(row, column).lastCursorPosition().block()).bottom());
    return bottom;
}

// A table by its rows (its frame's margins may reach past a page that holds all its rows).
double topOf(const QAbstractTextDocumentLayout& layout, const Part& p)
{
    if (auto* table = qobject_cast<QTextTable*>(p.frame))
        return layout.blockBoundingRect(table->cellAt(0, 0).firstCursorPosition().block()).top();
    if (p.frame)
        return layout.frameBoundingRect(p.frame).top();
    return layout.blockBoundingRect(p.first).top();
}

// How far the part must lie on the page it starts on: a table or a command block whole, a text
// block with its first line.
double keptEndOf(const QAbstractTextDocumentLayout& layout, const Part& p)
{
    if (auto* table = qobject_cast<QTextTable*>(p.frame))
        return bottomOfRow(layout, *table, table->rows() - 1);
    if (p.frame)
        return layout.frameBoundingRect(p.frame).bottom();
    if (p.command)
        return layout.blockBoundingRect(p.last).bottom();
    const QTextLayout* lines = p.first.layout();
    return layout.blockBoundingRect(p.first).top() +
           (lines->lineCount() > 0 ? lines->lineAt(0).rect().bottom() : 0.0);
}

bool breaksBefore(const Part& p)
{
    const auto policy = p.frame ? p.frame->frameFormat().pageBreakPolicy()
                                : p.first.blockFormat().pageBreakPolicy();
    return policy & QTextFormat::PageBreak_AlwaysBefore;
}

void breakBefore(const Part& p)
{
    if (p.frame)
    {
        QTextFrameFormat format = p.frame->frameFormat();
        format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
        p.frame->setFrameFormat(format);
        return;
    }
    QTextBlockFormat format = p.first.blockFormat();
    format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    QTextCursor(p.first).setBlockFormat(format);
}

// Moves the first group that a page foot splits to the next page: a table, a command block or
// the first line of a text, with the headings and lines that lead to it. Only one, as it moves
// everything after it. A group that starts a page already is taller than a page and stays as it
// is (a table then repeats its header on each page). True when one moved.
bool keepGroupsTogether(QTextDocument& document, const std::vector<Part>& parts, double pageHeight)
{
    const QAbstractTextDocumentLayout& layout = *document.documentLayout();
    for (std::size_t first = 0; first < parts.size();)
    {
        std::size_t last = first;
        while (parts[last].leads && last + 1 < parts.size())
            ++last;
        const Part& start = parts[first];
        // A text block alone keeps its first line whole anyway.
        const bool group = last > first || start.frame || start.command;
        if (group && !breaksBefore(start) &&
            pageOf(topOf(layout, start), pageHeight) !=
                pageOf(keptEndOf(layout, parts[last]) - 0.5, pageHeight))
        {
            breakBefore(start);
            return true;
        }
        first = last + 1;
    }
    return false;
}

// The PDF's metadata (an XMP packet, with the id every such packet carries), which names the
// manual it was made from as its source.
QByteArray metadataWith(const QByteArray& stamp)
{
    return QByteArrayLiteral(
               "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
               "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">\n"
               "<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n"
               "<rdf:Description rdf:about=\"\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\" "
               "xmlns:xmp=\"http://ns.adobe.com/xap/1.0/\">\n"
               "<dc:title><rdf:Alt><rdf:li xml:lang=\"x-default\">Quelvar Manual</rdf:li>"
               "</rdf:Alt></dc:title>\n"
               "<xmp:CreatorTool>Quelvar</xmp:CreatorTool>\n") +
           "<dc:source>" + stamp + "</dc:source>\n" +
           QByteArrayLiteral("</rdf:Description>\n</rdf:RDF>\n</x:xmpmeta>\n"
                             "<?xpacket end=\"w\"?>");
}

bool isMadeFrom(const QString& path, const QByteArray& stamp)
{
    QFile pdf(path);
    if (!pdf.open(QIODevice::ReadOnly) || pdf.size() > kLargestPdf)
        return false;
    return pdf.readAll().contains("<dc:source>" + stamp + "</dc:source>");
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
    QFile source(QString::fromLatin1(kManual));
    if (!source.open(QIODevice::ReadOnly))
        return pages;
    pages.document = std::make_unique<QTextDocument>();
    QTextDocument& document = *pages.document;
    document.setMarkdown(QString::fromUtf8(source.readAll()));
    // The manual names its pictures relative to itself; they are resources beside it. (Setting
    // the text clears a document's resources, so they come after it.)
    QDirIterator images(QString::fromLatin1(kImages));
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
    // Long words in the text (paths, addresses) may break anywhere; command lines never do.
    QTextOption option = document.defaultTextOption();
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    document.setDefaultTextOption(option);
    fitPicturesToWidth(document, pages.page.width());

    const std::vector<Part> parts = partsOf(document);
    for (const Part& p : parts)
    {
        if (auto* table = qobject_cast<QTextTable*>(p.frame))
        {
            QTextTableFormat format = table->format();
            format.setHeaderRowCount(1);
            table->setFormat(format);
        }
    }
    layOutAgain(document);
    for (int round = 0; round < kShrinkRounds && fitCommandsToWidth(parts, pages.page.width());
         ++round)
        layOutAgain(document);
    for (int round = 0;
         round < kPaginationRounds && keepGroupsTogether(document, parts, pages.page.height());
         ++round)
        layOutAgain(document);
    pages.count = document.pageCount();
    return pages;
}

QByteArray manualSourceStamp()
{
    QStringList files;
    QDirIterator images(QString::fromLatin1(kImages));
    while (images.hasNext())
        files << images.next();
    files.sort();
    files.prepend(QString::fromLatin1(kManual));
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(QByteArray::number(kLayoutRevision));
    for (const QString& name : files)
    {
        QFile file(name);
        const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        hash.addData(name.toUtf8());
        hash.addData(QByteArray::number(bytes.size()));
        hash.addData(bytes);
    }
    return QByteArrayLiteral("quelvar-manual-") + hash.result().toHex();
}

bool ensureManualPdf(const QString& path)
{
    const QByteArray stamp = manualSourceStamp();
    if (isMadeFrom(path, stamp))
        return true;
    const ManualPages pages = layOutManual();
    if (!pages.document || !QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;

    // Written beside the old one and renamed over it: a viewer that has it open never reads half
    // a file.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QPdfWriter writer(&file);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm),
                          QPageLayout::Millimeter);
    writer.setResolution(300);
    writer.setTitle(QStringLiteral("Quelvar Manual"));
    writer.setCreator(QStringLiteral("Quelvar"));
    writer.setDocumentXmpMetadata(metadataWith(stamp));
    QPainter painter(&writer);
    if (!painter.isActive())
        return false;
    const double scale = writer.resolution() / kUnitsPerInch;
    painter.scale(scale, scale);
    for (int i = 0; i < pages.count; ++i)
    {
        if (i > 0)
            writer.newPage();
        pages.draw(painter, i);
    }
    return painter.end() && file.commit();
}

} // namespace quelvar
