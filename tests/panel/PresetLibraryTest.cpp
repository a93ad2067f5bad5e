// The preset folder: the factory patterns written into an empty one, the scan, and stepping
// through it.
#include "engine/parameterTable.h"
#include "io/patternFile.h"
#include "standalone/panel/PresetLibrary.h"
#include "standalone/panel/factoryPatterns.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>

namespace quelvar::test
{

TEST(FactoryPatterns, AreWellFormedAcidLinesWithTheirOwnSound)
{
    const auto files = factoryPatternFiles();
    ASSERT_GE(files.size(), 16u);
    QSet<QString> names;
    QSet<float> cutoffs;
    for (const FactoryFile& f : files)
    {
        const auto parsed = parsePatternFile(reinterpret_cast<const std::uint8_t*>(f.bytes.data()),
                                             static_cast<std::size_t>(f.bytes.size()), true);
        ASSERT_TRUE(parsed && parsed->pattern) << f.fileName.toStdString();
        const Pattern& p = *parsed->pattern;
        names.insert(QString::fromStdString(p.getName()));
        EXPECT_TRUE(f.fileName.endsWith(QStringLiteral(".303")));
        const int n = p.getNBStep();
        EXPECT_TRUE(n == 12 || n == 16 || n == 32) << n;
        int notes = 0, accents = 0, slides = 0;
        for (int i = 0; i < n; ++i)
        {
            const Step* s = p.getStep(i);
            EXPECT_GE(s->note(), 0);
            EXPECT_LE(s->note(), 60);
            notes += s->note() != 0;
            accents += s->accent();
            slides += s->slide();
        }
        EXPECT_GE(notes, n / 2) << p.getName();
        EXPECT_GE(accents, 2) << p.getName();
        EXPECT_GE(slides, 2) << p.getName();
        ASSERT_EQ(parsed->settings.size(), static_cast<std::size_t>(kStoredParams));
        for (const ParameterSetting& s : parsed->settings)
        {
            EXPECT_GE(s.value, 0.0f);
            EXPECT_LE(s.value, 1.0f);
        }
        EXPECT_FLOAT_EQ(parsed->settings[kNbStep].value, static_cast<float>(n - 1) / 63.0f);
        const float bpm = parsed->settings[kTempo].value * 260.0f + 40.0f;
        EXPECT_GE(bpm, 110.0f);
        EXPECT_LE(bpm, 145.0f);
        cutoffs.insert(parsed->settings[kCutoff].value);
    }
    EXPECT_EQ(names.size(), static_cast<qsizetype>(files.size())) << "every pattern has its name";
    EXPECT_GE(cutoffs.size(), 8) << "each has a sound of its own";
}

TEST(PresetLibrary, FillsOnlyAnEmptyFolderAndStepsThroughItWithWrapping)
{
    QTemporaryDir dir;
    PresetLibrary presets(dir.filePath(QStringLiteral("Patterns")));
    EXPECT_GE(presets.installFactoryPatterns(), 16);
    EXPECT_TRUE(QDir(presets.userFolder()).exists());
    EXPECT_EQ(presets.installFactoryPatterns(), 0) << "never over what is there";
    QFile other(dir.filePath(QStringLiteral("Patterns/USER/mine.PAT")));
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    other.close();
    QFile ignored(dir.filePath(QStringLiteral("Patterns/USER/notes.txt")));
    ASSERT_TRUE(ignored.open(QIODevice::WriteOnly));
    ignored.close();

    presets.scan();
    const QStringList& list = presets.presets();
    const int n = static_cast<int>(list.size());
    EXPECT_EQ(n, static_cast<int>(factoryPatternFiles().size()) + 1);
    EXPECT_FALSE(list.join(QLatin1Char(';')).contains(QStringLiteral("notes.txt")));
    EXPECT_EQ(presets.next(), list[0]);
    EXPECT_EQ(presets.previous(), list[n - 1]);
    EXPECT_EQ(presets.next(), list[0]);
    presets.choose(list[3]);
    presets.scan();
    EXPECT_EQ(presets.current(), 3) << "a rescan keeps the current preset";

    PresetLibrary absent(dir.filePath(QStringLiteral("nothing-here")));
    absent.scan();
    EXPECT_TRUE(absent.next().isEmpty());
    EXPECT_TRUE(absent.previous().isEmpty());
}

} // namespace quelvar::test
