// File > "Export audio…": the offline render of the current pattern against quelvar-render of the
// same state (the same samples), the delay's tail, the 24-bit file, and the dialog's progress and
// cancel, with the playing engine left as it was.
#include "standalone/AudioExport.h"

#include "Fakes.h"
#include "engine/Palladon.h"
#include "engine/PalladonFiles.h"
#include "io/fileBytes.h"
#include "panel/FakeDialogs.h"
#include "standalone/ExportAudioDialog.h"
#include "support/runCommand.h"
#include "support/testFiles.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProgressBar>
#include <QSpinBox>
#include <QStandardPaths>

#include <cmath>
#include <cstring>

namespace quelvar
{

namespace
{
struct Wav
{
    int format = 0; // 1 integer, 3 float
    int bits = 0;
    int rate = 0;
    std::vector<float> left;
    std::vector<float> right;
};

std::uint32_t le(const std::vector<std::uint8_t>& b, std::size_t at, int bytes)
{
    std::uint32_t v = 0;
    for (int i = 0; i < bytes; ++i)
        v |= static_cast<std::uint32_t>(b[at + static_cast<std::size_t>(i)]) << (8 * i);
    return v;
}

// The chunks of a WAV file as its header lays them out.
Wav readWav(const std::string& path)
{
    Wav w;
    const std::string text = readFile(path);
    const std::vector<std::uint8_t> b(text.begin(), text.end());
    if (b.size() < 12 || std::memcmp(b.data(), "RIFF", 4) != 0)
        return w;
    for (std::size_t at = 12; at + 8 <= b.size();)
    {
        const std::uint32_t size = le(b, at + 4, 4);
        if (std::memcmp(&b[at], "fmt ", 4) == 0)
        {
            w.format = static_cast<int>(le(b, at + 8, 2));
            w.rate = static_cast<int>(le(b, at + 12, 4));
            w.bits = static_cast<int>(le(b, at + 22, 2));
        }
        else if (std::memcmp(&b[at], "data", 4) == 0)
        {
            const int bytesPer = w.bits / 8;
            for (std::size_t i = at + 8; i + 2 * bytesPer <= at + 8 + size; i += 2 * bytesPer)
                for (int c = 0; c < 2; ++c)
                {
                    const std::size_t s = i + static_cast<std::size_t>(c * bytesPer);
                    float v = 0.0f;
                    if (w.format == 3)
                    {
                        const std::uint32_t bits = le(b, s, 4);
                        std::memcpy(&v, &bits, 4);
                    }
                    else
                        v = static_cast<float>(
                            static_cast<std::int32_t>(le(b, s, 3) << 8) / 256 / 8388607.0);
                    (c == 0 ? w.left : w.right).push_back(v);
                }
        }
        at += 8 + size;
    }
    return w;
}

VstIntPtr noHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    return opcode == audioMasterVersion ? 2400 : 0;
}

// A standalone engine as a user leaves it: internal sync at 133 BPM, a 12-step pattern,
// distortion and delay on, the cutoff moved.
void setUp(Palladon& engine)
{
    engine.setParameter(kSyncType, 0.5f);
    engine.setParameter(kTempo, (133.0f - 40.0f) / 260.0f);
    engine.setParameter(kNbStep, 11.0f / 63.0f);
    engine.setParameter(kCutoff, 0.4f);
    engine.setParameter(kDistOn, 1.0f);
    engine.setParameter(kDistSelect, 0.3f);
    engine.setParameter(kDelayOn, 1.0f);
    engine.setParameter(kDelayFeedback, 0.5f);
}

AudioExportSettings loops(int count, bool tail)
{
    AudioExportSettings s;
    s.count = count;
    s.tail = tail;
    return s;
}
} // namespace

// The same state rendered by quelvar-render through the plugin, in host sync from beat 0 at the
// same tempo, gives the same samples: the export is the plugin's sound. Two passes of the
// pattern, or of a chain of it and another pattern.
class AudioExportOf : public testing::TestWithParam<bool>
{
};

TEST_P(AudioExportOf, SameSamplesAsTheRenderToolOfTheSameState)
{
    const bool chain = GetParam();
    TempDir dir;
    Palladon live(&noHost, Flavour::standalone);
    setUp(live);
    AudioExportSettings settings = loops(2, false);
    // Two passes of 12 sixteenths: 6 beats, a bar and a half; of the chain 12 + 6 + 12: 15.
    double beats = 6.0;
    std::string tool = " --param 26=0 --bars 1.5";
    if (chain)
    {
        live.getSong().getPattern(5)->setNBStep(6);
        ChainEntries entries;
        for (int k : {0, 5, 0})
            entries.append(k);
        live.setChain(entries);
        settings.chain = true;
        beats = 15.0;
        tool = " --param 26=0 --chain --passes 2";
    }
    const std::string bank = dir.file("state.b303");
    const std::vector<std::uint8_t> chunk = getChunkBytes(live);
    ASSERT_TRUE(writeFileBytes(bank, chunk.data(), chunk.size()));

    AudioExport exporter(AudioExportSource::of(live), settings);
    ASSERT_TRUE(exporter.ready());
    const std::string exported = dir.file("export.wav");
    const std::atomic<bool> cancel{false};
    ASSERT_TRUE(exporter.run(exported, cancel));
    EXPECT_EQ(exporter.patternFrames(), std::llround(beats * 60.0 / 133.0 * 44100.0));

    const std::string rendered = dir.file("render.wav");
    const CommandRun run = runCommand(std::string(QUELVAR_RENDER_TOOL) + " --plugin " +
                                      QUELVAR_PLUGIN_PATH + " --bank " + bank + tool +
                                      " --tempo 133 --out " + rendered + " 2>&1");
    ASSERT_EQ(run.status, 0) << run.output;
    const Wav a = readWav(exported);
    const Wav b = readWav(rendered);
    ASSERT_EQ(a.format, 3);
    ASSERT_EQ(a.left.size(), static_cast<std::size_t>(exporter.patternFrames()));
    ASSERT_EQ(a.left.size(), b.left.size());
    std::size_t differing = 0;
    for (std::size_t i = 0; i < a.left.size(); ++i)
        differing += a.left[i] != b.left[i] || a.right[i] != b.right[i];
    EXPECT_EQ(differing, 0u);
    float peak = 0.0f;
    for (float v : a.left)
        peak = std::max(peak, std::abs(v));
    EXPECT_GT(peak, 0.05f) << "it played";
}

INSTANTIATE_TEST_SUITE_P(PatternAndChain, AudioExportOf, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& info)
                         { return std::string(info.param ? "chain" : "pattern"); });

// The tail goes on after the last pass until the delay has died away; without it the file ends
// with the last pass. The 24-bit file holds the same sound to within its last bit. The playing
// engine is not touched.
TEST(AudioExport, TailFollowsTheDelayAndTheIntegerFileHoldsTheSameSound)
{
    TempDir dir;
    Palladon live(&noHost, Flavour::standalone);
    setUp(live);
    const std::vector<std::uint8_t> before = getChunkBytes(live);
    const std::atomic<bool> cancel{false};

    AudioExport withTail(AudioExportSource::of(live), loops(1, true));
    ASSERT_TRUE(withTail.run(dir.file("tail.wav"), cancel));
    const Wav tail = readWav(dir.file("tail.wav"));
    const auto pass = static_cast<std::size_t>(withTail.patternFrames());
    ASSERT_GT(tail.left.size(), pass + 44100 / 4);
    float afterPass = 0.0f;
    for (std::size_t i = pass + 1000; i < pass + 20000 && i < tail.left.size(); ++i)
        afterPass = std::max(afterPass, std::abs(tail.left[i]));
    EXPECT_GT(afterPass, 0.01f) << "echoes after the sequencer stopped";
    // What is left is the distortion's steady offset on silence.
    const auto end = tail.left.end();
    const auto [low, high] = std::minmax_element(end - 44100 / 4, end);
    EXPECT_LT(*high - *low, 2 * AudioExport::kSilence);
    EXPECT_LT(tail.left.size(), pass + static_cast<std::size_t>(AudioExport::kMaxTailSeconds * 44100));

    AudioExportSettings integer = loops(1, false);
    integer.samples = WavSamples::int24;
    AudioExport noTail(AudioExportSource::of(live), integer);
    ASSERT_TRUE(noTail.run(dir.file("24.wav"), cancel));
    const Wav bits24 = readWav(dir.file("24.wav"));
    EXPECT_EQ(bits24.format, 1);
    EXPECT_EQ(bits24.bits, 24);
    ASSERT_EQ(bits24.left.size(), pass);
    for (std::size_t i = 0; i < pass; ++i)
        ASSERT_NEAR(bits24.left[i], std::clamp(tail.left[i], -1.0f, 1.0f), 0.6f / 8388607.0f)
            << i;

    EXPECT_EQ(getChunkBytes(live), before);
    EXPECT_FALSE(live.getTransport().internalPlaying());
}

// The dialog renders on a thread of its own, shows its progress and says what it wrote; cancel
// stops the render and leaves no file behind. Its file dialog opens in the music folder first,
// then where the last file went, also after a restart.
TEST(AudioExport, DialogShowsProgressAndCancelLeavesNoFile)
{
    test::QtTestPaths paths;
    TempDir dir;
    Palladon live(&noHost, Flavour::standalone);
    setUp(live);
    test::FakeDialogs dialogs;
    ExportAudioDialog dialog(live, [&dialogs]() -> FileDialogs& { return dialogs; });
    dialog.setPlayingRate(48000);
    EXPECT_EQ(dialog.settings().sampleRate, 48000);

    const QString file = QString::fromStdString(dir.file("loop"));
    dialogs.answer = file;
    dialog.chooseAndExport();
    QElapsedTimer clock;
    clock.start();
    while (dialog.running() && clock.elapsed() < 30000)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    ASSERT_FALSE(dialog.running());
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(dialogs.asked[0].directory.toStdString(),
              QStandardPaths::writableLocation(QStandardPaths::MusicLocation).toStdString());
    EXPECT_TRUE(dialog.status().startsWith(QStringLiteral("Exported"))) << qPrintable(dialog.status());
    EXPECT_EQ(readWav(dir.file("loop.wav")).rate, 48000) << "the suffix is added";
    EXPECT_EQ(dialog.findChild<QProgressBar*>(QStringLiteral("progress"))->value(), 1000);

    dialog.findChild<QSpinBox*>(QStringLiteral("count"))->setValue(999);
    ASSERT_TRUE(dialog.exportTo(file + QStringLiteral("-long.wav")));
    dialog.cancel();
    while (dialog.running() && clock.elapsed() < 60000)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(dialog.status(), QStringLiteral("Cancelled; nothing was written."));
    EXPECT_FALSE(QFile::exists(file + QStringLiteral("-long.wav")));

    ExportAudioDialog next(live, [&dialogs]() -> FileDialogs& { return dialogs; });
    dialogs.answer.clear();
    next.chooseAndExport();
    ASSERT_EQ(dialogs.asked.size(), 2u);
    EXPECT_EQ(dialogs.asked[1].directory.toStdString(),
              QFileInfo(file).absolutePath().toStdString());
}

} // namespace quelvar
