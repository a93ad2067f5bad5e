// The user manual as a PDF, rendered from the manual shipped inside the program: A4 pages,
// pictures within the text width, long lines wrapped, headings kept with what follows them.
// Main thread.
#pragma once

#include <QSizeF>
#include <QString>

#include <memory>

class QPainter;
class QTextDocument;

namespace quelvar
{

// The manual laid out in pages of `page` (the text area, in the document's units of 1/96 inch).
struct ManualPages
{
    std::unique_ptr<QTextDocument> document;
    QSizeF page;
    int count = 0;

    ManualPages();
    ~ManualPages();
    ManualPages(ManualPages&&) noexcept;
    // Page `index`, its top left corner at the painter's origin.
    void draw(QPainter& painter, int index) const;
};

ManualPages layOutManual();

// Writes the PDF to path (making its folder) when it is not there yet. False when it could not
// be written.
bool ensureManualPdf(const QString& path);

} // namespace quelvar
