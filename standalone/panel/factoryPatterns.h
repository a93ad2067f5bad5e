// The patterns the panel installs in an empty preset folder: acid lines of our own, each with
// a sound of its own, as the bytes of .303 files.
#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

namespace quelvar
{

struct FactoryFile
{
    QString fileName; // "01 Sour Rain.303"
    QByteArray bytes;
};

std::vector<FactoryFile> factoryPatternFiles();

} // namespace quelvar
