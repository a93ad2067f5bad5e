// The user manual as a PDF, rendered from the manual shipped inside the program: A4 pages,
// pictures within the text width, command lines never wrapped, and headings, tables and command
// blocks kept whole on a page with the line that introduces them. Main thread.
#pragma once

#include <QByteArray>
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

// Names the built-in manual, its pictures and the way they are laid out; the PDF carries it.
QByteArray manualSourceStamp();

// Writes the PDF to path (making its folder) unless the file there was made from the built-in
// manual as it is now. False when it could not be written.
bool ensureManualPdf(const QString& path);

} // namespace quelvar
