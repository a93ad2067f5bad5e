// The factory patterns as the .303 files the panel installs in an empty preset folder.
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
