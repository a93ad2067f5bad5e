#include "standalone/panel/factoryPatterns.h"

#include "engine/factoryPatterns.h"
#include "io/patternFile.h"

namespace quelvar
{

std::vector<FactoryFile> factoryPatternFiles()
{
    std::vector<FactoryFile> files;
    int number = 1;
    for (const FactoryPattern& f : factoryPatterns())
    {
        const std::vector<std::uint8_t> bytes = encodePatternFile(f.pattern, f.parameters);
        files.push_back({QStringLiteral("%1 %2.303")
                             .arg(number++, 2, 10, QLatin1Char('0'))
                             .arg(QString::fromStdString(f.name)),
                         QByteArray(reinterpret_cast<const char*>(bytes.data()),
                                    static_cast<qsizetype>(bytes.size()))});
    }
    return files;
}

} // namespace quelvar
