// Opening a pattern or bank file given on the command line or by the desktop: the suffix picks
// the reader. Main thread; the engine's readers are safe while it renders.
#pragma once

#include <QString>
#include <QStringList>

#include <string>
#include <vector>

namespace quelvar
{

class Palladon;

// Loads the file into the current pattern (with its parameters where the format has them), or
// the whole state for a bank. Returns an empty text on success, else what went wrong; a file
// that cannot be read whole changes nothing. `notices` receives what the reader changed or left
// out, one sentence each.
QString openFileInEngine(Palladon& engine, const QString& path, QStringList* notices = nullptr);

// Reads a bank (.b303: the state chunk) and applies it only when the whole chunk is sound. False
// when the file cannot be read or the chunk is rejected.
bool applyBankFile(Palladon& engine, const QString& path,
                   std::vector<std::string>* notices = nullptr);

} // namespace quelvar
