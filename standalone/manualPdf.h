// The user manual as a PDF, rendered from the manual shipped inside the program. Main thread.
#pragma once

#include <QString>

namespace quelvar
{

// Writes the PDF to path (making its folder) when it is not there yet. False when it could not
// be written.
bool ensureManualPdf(const QString& path);

} // namespace quelvar
