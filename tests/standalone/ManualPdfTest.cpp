#include "standalone/manualPdf.h"

#include <QAbstractTextDocumentLayout>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include <gtest/gtest.h>

namespace quelvar
{

TEST(ManualPdf, IsWrittenOnceWhenMissing)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Brontavell/Quelvar/Quelvar Manual.pdf"));
    ASSERT_TRUE(ensureManualPdf(path));
    QFile pdf(path);
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_TRUE(pdf.read(5) == "%PDF-");
    EXPECT_GT(QFileInfo(path).size(), 20000);
    const auto written = QFileInfo(path).lastModified();
    EXPECT_TRUE(ensureManualPdf(path));
    EXPECT_EQ(QFileInfo(path).lastModified(), written);
}

// The first page is not left half empty (the picture used to move to page 2), no heading is
// the last thing on a page, and no line runs past the text's width. Pictures of the pages go to
// the artefacts for a look.
TEST(ManualPdf, PagesAreFullKeepHeadingsWithTheirTextAndWrapLongLines)
{
    const ManualPages pages = layOutManual();
    ASSERT_TRUE(pages.document);
    ASSERT_GE(pages.count, 3);
    QAbstractTextDocumentLayout* layout = pages.document->documentLayout();
    const double height = pages.page.height();
    const auto pageOf = [height](double y) { return static_cast<int>(y / height); };
    double firstPageBottom = 0.0;
    for (QTextBlock block = pages.document->begin(); block.isValid(); block = block.next())
    {
        const QRectF rect = layout->blockBoundingRect(block);
        const QTextLayout* lines = block.layout();
        if (!block.text().isEmpty())
        {
            EXPECT_GT(lines->lineCount(), 0) << "not laid out: " << block.text().toStdString();
        }
        for (int i = 0; i < lines->lineCount(); ++i)
        {
            const QTextLine line = lines->lineAt(i);
            EXPECT_LE(line.naturalTextWidth(), pages.page.width() + 0.5)
                << block.text().toStdString();
            const double bottom = rect.top() + line.rect().bottom();
            if (pageOf(rect.top() + line.rect().top()) == 0)
                firstPageBottom = std::max(firstPageBottom, bottom);
        }
        const QTextBlock next = block.next();
        if (block.blockFormat().headingLevel() > 0 && next.isValid() &&
            next.layout()->lineCount() > 0)
        {
            const double nextLine =
                layout->blockBoundingRect(next).top() + next.layout()->lineAt(0).rect().top();
            EXPECT_EQ(pageOf(rect.top()), pageOf(nextLine))
                << "heading alone at a page foot: " << block.text().toStdString();
        }
    }
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
