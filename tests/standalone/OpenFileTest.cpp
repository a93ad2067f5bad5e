#include "standalone/openFile.h"

#include "engine/Palladon.h"

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

TEST(OpenFile, UnreadableOrForeignFilesAreReportedAndChangeNothing)
{
    QTemporaryDir dir;
    Palladon source(nullptr, Flavour::standalone);
    source.exportBank(inDir(dir, "good.b303"));
    QFile good(dir.filePath(QStringLiteral("good.b303")));
    ASSERT_TRUE(good.open(QIODevice::ReadOnly));
    QByteArray damaged = good.readAll();
    damaged[119] = 70; // more pattern records than a song has
    writeBytes(dir.filePath(QStringLiteral("damaged.b303")), damaged);
    writeBytes(dir.filePath(QStringLiteral("noise.303")), QByteArray("not a pattern at all"));
    writeBytes(dir.filePath(QStringLiteral("notes.txt")), QByteArray("hello"));

    Palladon engine(nullptr, Flavour::standalone);
    engine.setParameter(kCutoff, 0.77f);
    const int steps = engine.getCurrentPattern()->getNBStep();
    for (const char* name : {"damaged.b303", "noise.303", "notes.txt", "missing.303"})
    {
        EXPECT_FALSE(openFileInEngine(engine, dir.filePath(QString::fromLatin1(name))).isEmpty())
            << name;
        EXPECT_EQ(engine.getParameter(kCutoff), 0.77f) << name;
        EXPECT_EQ(engine.getCurrentPattern()->getNBStep(), steps) << name;
    }
}

} // namespace quelvar
