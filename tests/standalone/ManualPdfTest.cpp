#include "standalone/manualPdf.h"

#include <QAbstractTextDocumentLayout>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextLayout>
#include <QTextTable>

#include <gtest/gtest.h>

#include <functional>

namespace quelvar
{

namespace
{
QByteArray contentsOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// What lies at the manual's path before the program looks: made from the manual given, which is
// the current one's PDF.
struct EarlierPdf
{
    const char* name;
    std::function<QByteArray(const QByteArray& current)> make;
    bool rewritten;
};

void PrintTo(const EarlierPdf& e, std::ostream* out)
{
    *out << e.name;
}

class ManualPdfBefore : public testing::TestWithParam<EarlierPdf>
{
};
} // namespace

TEST(ManualPdf, IsWrittenWhenMissingAndKeptWhileCurrent)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Brontavell/Quelvar/Quelvar Manual.pdf"));
    ASSERT_TRUE(ensureManualPdf(path));
    const QByteArray pdf = contentsOf(path);
    EXPECT_TRUE(pdf.startsWith("%PDF-"));
    EXPECT_GT(pdf.size(), 20000);
    // One PDF page for each page laid out.
    const auto pdfPages = pdf.count(QByteArrayLiteral("/Type /Page\n"));
    EXPECT_EQ(pdfPages, layOutManual().count);
    const auto written = QFileInfo(path).lastModified();
    EXPECT_TRUE(ensureManualPdf(path));
    EXPECT_EQ(QFileInfo(path).lastModified(), written);
}

// After an upgrade the manual on disk was made from another manual, or by a program that left no
// mark of its source: it is written again. The current one is left alone.
TEST_P(ManualPdfBefore, IsRewrittenUnlessMadeFromTheBuiltInManual)
{
    QTemporaryDir dir;
    const QString current = dir.filePath(QStringLiteral("current.pdf"));
    ASSERT_TRUE(ensureManualPdf(current));
    const QString path = dir.filePath(QStringLiteral("Quelvar Manual.pdf"));
    writeFile(path, GetParam().make(contentsOf(current)));
    const QByteArray before = contentsOf(path);

    ASSERT_TRUE(ensureManualPdf(path));
    const QByteArray after = contentsOf(path);
    if (GetParam().rewritten)
    {
        EXPECT_TRUE(after != before);
        EXPECT_TRUE(after.startsWith("%PDF-"));
        EXPECT_TRUE(after.contains(manualSourceStamp()));
    }
    else
        EXPECT_TRUE(after == before);
}

INSTANTIATE_TEST_SUITE_P(
    Earlier, ManualPdfBefore,
    testing::Values(
        EarlierPdf{"current", [](const QByteArray& pdf) { return pdf; }, false},
        EarlierPdf{"otherManual",
                   [](const QByteArray& pdf)
                   {
                       QByteArray other = pdf;
                       const QByteArray stamp = manualSourceStamp();
                       const auto at = other.indexOf(stamp);
                       other.replace(at, stamp.size(), QByteArray(stamp.size(), '0'));
                       return other;
                   },
                   true},
        EarlierPdf{"unmarked",
                   [](const QByteArray&)
                   { return QByteArrayLiteral("%PDF-1.4\n% an earlier program's manual\n"); },
                   true}),
    [](const auto& info) { return std::string(info.param.name); });

// On the real manual, page by page as it is laid out for the PDF: the first page is not left half
// empty (the picture used to move to page 2); no heading, and no line that introduces a table or
// a command block, is the last thing on a page; a table that fits a page is not split, so its
// header never ends a page; every command line is one line within the text width, a block of them
// on one page. Pictures of the pages go to the artefacts for a look.
TEST(ManualPdf, PagesKeepHeadingsTablesAndCommandBlocksWhole)
{
    const ManualPages pages = layOutManual();
    ASSERT_TRUE(pages.document);
    ASSERT_GE(pages.count, 3);
    QTextDocument& document = *pages.document;
    QAbstractTextDocumentLayout* layout = document.documentLayout();
    const double height = pages.page.height();
    const double width = pages.page.width();
    const auto pageOf = [height](double y) { return static_cast<int>(y / height); };
    // A heading, or a line that introduces a table or a command block, on the page where what
    // it leads to starts.
    const auto keptWith = [&](const QTextBlock& lead, double nextTop, bool introduced)
    {
        if (!lead.isValid() || !(lead.blockFormat().headingLevel() > 0 ||
                                 (introduced && lead.text().endsWith(QLatin1Char(':')))))
            return;
        EXPECT_EQ(pageOf(layout->blockBoundingRect(lead).top()), pageOf(nextTop))
            << "alone at a page foot: " << lead.text().toStdString();
    };

    double firstPageBottom = 0.0;
    int tables = 0;
    int commandBlocks = 0;
    QTextBlock commandStart;
    const auto endCommandBlock = [&](const QTextBlock& last)
    {
        if (!commandStart.isValid())
            return;
        ++commandBlocks;
        EXPECT_EQ(pageOf(layout->blockBoundingRect(commandStart).top()),
                  pageOf(layout->blockBoundingRect(last).bottom() - 0.5))
            << "command block split: " << commandStart.text().toStdString();
        commandStart = QTextBlock();
    };
    QTextBlock previous;
    for (auto it = document.rootFrame()->begin(); !it.atEnd(); ++it)
    {
        if (auto* table = qobject_cast<QTextTable*>(it.currentFrame()))
        {
            endCommandBlock(previous);
            ++tables;
            // By its rows: the frame's margins may reach past a page that holds them all.
            const QTextBlock header = table->cellAt(0, 0).firstCursorPosition().block();
            const double top = layout->blockBoundingRect(header).top();
            double bottom = top;
            for (int column = 0; column < table->columns(); ++column)
                bottom = std::max(bottom, layout
                                              ->blockBoundingRect(table->cellAt(table->rows() - 1,
                                                                                column)
                                                                      .lastCursorPosition()
                                                                      .block())
                                              .bottom());
            ASSERT_LT(bottom - top, height) << "every table of the manual fits a page";
            EXPECT_EQ(pageOf(top), pageOf(bottom - 0.5))
                << "table split: " << header.text().toStdString();
            keptWith(previous, top + 0.5, true);
            previous = QTextBlock();
            continue;
        }
        const QTextBlock block = it.currentBlock();
        const QRectF rect = layout->blockBoundingRect(block);
        const QTextLayout* lines = block.layout();
        if (!block.text().isEmpty())
        {
            EXPECT_GT(lines->lineCount(), 0) << "not laid out: " << block.text().toStdString();
        }
        for (int i = 0; i < lines->lineCount(); ++i)
        {
            const QTextLine line = lines->lineAt(i);
            EXPECT_LE(line.naturalTextWidth(), width + 0.5) << block.text().toStdString();
            if (pageOf(rect.top() + line.rect().top()) == 0)
                firstPageBottom = std::max(firstPageBottom, rect.top() + line.rect().bottom());
        }
        const bool command = block.blockFormat().hasProperty(QTextFormat::BlockCodeFence);
        if (command)
        {
            EXPECT_EQ(lines->lineCount(), 1) << "command wrapped: " << block.text().toStdString();
            EXPECT_GE(block.charFormat().font().pointSizeF(), 7.0) << block.text().toStdString();
            if (!commandStart.isValid())
                commandStart = block;
        }
        else
            endCommandBlock(previous);
        if (lines->lineCount() > 0)
            keptWith(previous, rect.top() + lines->lineAt(0).rect().bottom() - 0.5, command);
        previous = block;
    }
    endCommandBlock(previous);
    EXPECT_GE(tables, 6);
    EXPECT_GE(commandBlocks, 3);
    EXPECT_GT(firstPageBottom / height, 0.75) << "the first page is half empty";

    const QString dir = QStringLiteral(QUELVAR_ARTIFACTS_DIR) + QStringLiteral("/manual");
    QDir().mkpath(dir);
    for (int i = 0; i < pages.count; ++i)
    {
        QImage picture(pages.page.toSize(), QImage::Format_RGB32);
        picture.fill(Qt::white);
        QPainter painter(&picture);
        pages.draw(painter, i);
        painter.end();
        EXPECT_TRUE(picture.save(dir + QStringLiteral("/page-%1.png").arg(i + 1)));
    }
}

} // namespace quelvar
