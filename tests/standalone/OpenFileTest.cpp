#include "standalone/openFile.h"

#include "engine/Palladon.h"
#include "engine/PalladonFiles.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace quelvar
{

namespace
{
std::string inDir(const QTemporaryDir& dir, const char* name)
{
    return QFile::encodeName(dir.filePath(QString::fromLatin1(name))).toStdString();
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}
} // namespace

TEST(OpenFile, EveryFormatLoadsIntoTheCurrentPattern)
{
    QTemporaryDir dir;
    Palladon source(nullptr, Flavour::standalone);
    Pattern& p = *source.getCurrentPattern();
    p.setNBStep(7);
    p.setStepNote(40, 6);
    source.exportPattern(inDir(dir, "a.303"));
    source.exportABL3Pattern(inDir(dir, "a.pat"));
    source.exportPhoscyonPattern(inDir(dir, "a.phptr"));
    source.getSong().getPattern(9)->setName("in the bank");
    source.exportBank(inDir(dir, "a.b303"));

    for (const char* name : {"a.303", "a.pat", "a.phptr", "a.b303"})
    {
        Palladon engine(nullptr, Flavour::standalone);
        EXPECT_TRUE(openFileInEngine(engine, dir.filePath(QString::fromLatin1(name))).isEmpty())
            << name;
        EXPECT_EQ(engine.getCurrentPattern()->getNBStep(), 7) << name;
        EXPECT_EQ(engine.getCurrentPattern()->getStep(6)->note(), 40) << name;
    }
    Palladon engine(nullptr, Flavour::standalone);
    openFileInEngine(engine, dir.filePath(QStringLiteral("a.b303")));
    EXPECT_EQ(engine.getSong().getPattern(9)->getName(), "in the bank");
}

struct Refused
{
    const char* name;
    const char* message; // %1: the file's name, %2: its path
};

class OpenFileRefuses : public testing::TestWithParam<Refused>
{
};

// Damaged files of every format, other programs' files under our suffixes and files of no
// format: each is refused with its message and changes nothing, not even a settings line.
TEST_P(OpenFileRefuses, WithItsMessageAndChangesNothing)
{
    QTemporaryDir dir;
    Palladon source(nullptr, Flavour::standalone);
    source.setParameter(kDecay, 0.125f);
    source.exportBank(inDir(dir, "good.b303"));
    source.exportABL2Pattern(inDir(dir, "whole2.pat"));
    source.exportABL3Pattern(inDir(dir, "whole3.pat"));
    const auto readBytes = [&dir](const char* name)
    {
        QFile f(dir.filePath(QString::fromLatin1(name)));
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return f.readAll();
    };
    QByteArray damaged = readBytes("good.b303");
    damaged[119] = 70; // more pattern records than a song has
    writeBytes(dir.filePath(QStringLiteral("damaged.b303")), damaged);
    writeBytes(dir.filePath(QStringLiteral("noise.303")), QByteArray("not a pattern at all"));
    writeBytes(dir.filePath(QStringLiteral("notes.txt")), QByteArray("hello"));
    QByteArray noise(5000, 0);
    for (int i = 0; i < noise.size(); ++i)
        noise[i] = static_cast<char>((i * 7919 + 13) % 251);
    writeBytes(dir.filePath(QStringLiteral("noise.pat")), noise);
    writeBytes(dir.filePath(QStringLiteral("picture.pat")),
               QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16) + noise);
    for (const char* whole : {"whole2.pat", "whole3.pat"})
    {
        const QByteArray text = readBytes(whole);
        writeBytes(dir.filePath(QStringLiteral("half-%1").arg(QString::fromLatin1(whole))),
                   text.left(text.size() / 2));
    }

    Palladon engine(nullptr, Flavour::standalone);
    engine.setParameter(kCutoff, 0.77f);
    const std::vector<std::uint8_t> before = getChunkBytes(engine);
    const QString path = dir.filePath(QString::fromLatin1(GetParam().name));
    const QString message = QString::fromLatin1(GetParam().message)
                                .replace(QStringLiteral("%1"), QString::fromLatin1(GetParam().name))
                                .replace(QStringLiteral("%2"), path);
    EXPECT_EQ(openFileInEngine(engine, path).toStdString(), message.toStdString());
    EXPECT_EQ(getChunkBytes(engine), before);
}

constexpr char kNotReadable[] =
    "\"%1\" is not a pattern or bank Quelvar can read; nothing was changed.";

INSTANTIATE_TEST_SUITE_P(
    Files, OpenFileRefuses,
    testing::Values(Refused{"damaged.b303", kNotReadable}, Refused{"noise.303", kNotReadable},
                    Refused{"noise.pat", kNotReadable}, Refused{"picture.pat", kNotReadable},
                    Refused{"half-whole2.pat", kNotReadable},
                    Refused{"half-whole3.pat", kNotReadable},
                    Refused{"notes.txt",
                            "Quelvar opens .303, .b303, .pat and .phptr files, not \"%1\"."},
                    Refused{"missing.303", "Quelvar cannot read \"%2\"."}),
    [](const auto& info)
    {
        std::string name = info.param.name;
        for (char& c : name)
            if (c == '.' || c == '-')
                c = '_';
        return name;
    });

} // namespace quelvar
