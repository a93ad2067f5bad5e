// Every thread that meets the engine at once: the audio thread renders with MIDI, a host thread
// automates every parameter, an editor thread edits steps and patterns, randomises and imports
// files, and another saves and restores state chunks. Built with ThreadSanitizer in CI, where it
// must run without a report; in other builds it checks that the output stays finite.
#include "engine/Palladon.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <random>
#include <thread>
#include <vector>

using namespace quelvar;

namespace
{
double stressSeconds()
{
    const char* text = std::getenv("QUELVAR_STRESS_SECONDS");
    return text ? std::atof(text) : 2.0;
}

class FileSet
{
public:
    explicit FileSet(Palladon& source)
    {
        dir = std::filesystem::temp_directory_path() /
              ("quelvar-stress-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
        source.exportPattern(path("p.303"));
        source.exportABL2Pattern(path("p2.pat"));
        source.exportABL3Pattern(path("p3.pat"));
        source.exportPhoscyonPattern(path("p.phptr"));
        source.exportBank(path("b.b303"));
    }
    ~FileSet() { std::filesystem::remove_all(dir); }
    std::string path(const char* name) const { return (dir / name).string(); }

private:
    std::filesystem::path dir;
};
} // namespace

TEST(ThreadStress, RenderingAutomationEditsAndChunksAtOnce)
{
    Palladon engine(nullptr, Flavour::plugin);
    engine.setSampleRate(44100.0f);
    engine.setBlockSize(256);
    engine.resume();
    const FileSet files(engine);

    std::atomic<bool> running{true};
    std::atomic<bool> finite{true};
    std::atomic<long long> blocks{0}, edits{0}, chunks{0}, automations{0};

    std::thread audio([&] {
        std::vector<float> left(256), right(256);
        RenderInput in;
        in.frames = 256;
        in.time.tempo = 128.0;
        in.time.playing = true;
        in.time.transportChanged = true;
        RenderOutput out;
        out.left = left.data();
        out.right = right.data();
        std::mt19937 rng(1);
        while (running.load())
        {
            in.midi.clear();
            in.midi.add(
                {0,
                 {static_cast<std::uint8_t>(rng() % 2 ? 0x90 : 0x80),
                  static_cast<std::uint8_t>(rng() % 128), static_cast<std::uint8_t>(rng() % 128)}});
            engine.render(in, out);
            for (float v : left)
                if (!std::isfinite(v))
                    finite.store(false);
            blocks.fetch_add(1);
        }
    });

    std::thread automation([&] {
        std::mt19937 rng(2);
        std::uniform_real_distribution<float> value(0.0f, 1.0f);
        while (running.load())
        {
            engine.setParameter(static_cast<VstInt32>(rng() % kNumParams), value(rng));
            char text[64];
            engine.getParameterDisplay(static_cast<VstInt32>(rng() % kNumParams), text);
            engine.getParameter(static_cast<VstInt32>(rng() % kNumParams));
            automations.fetch_add(1);
        }
    });

    std::thread editor([&] {
        std::mt19937 rng(3);
        while (running.load())
        {
            const int index = static_cast<int>(rng() % 64);
            switch (rng() % 17)
            {
            case 0:
                engine.getCurrentPattern()->setStepNote(static_cast<int>(rng() % 61),
                                                        static_cast<int>(rng() % 16));
                break;
            case 1:
                engine.getCurrentPattern()->setStepSlide(rng() % 2, static_cast<int>(rng() % 16));
                break;
            case 2:
                engine.PatternClear();
                break;
            case 3:
                engine.PatternCopy(index);
                break;
            case 4:
                engine.PatternPaste(-1);
                break;
            case 5:
                engine.patternTransposeUp();
                engine.patternShiftLeft();
                break;
            case 6:
                engine.PatternRandom1(rng() % 2 ? -1 : index);
                break;
            case 7:
                engine.patternRandom3(static_cast<int>(rng() % 3), -1);
                break;
            case 8:
                engine.randomParameters();
                break;
            case 9:
                engine.importPattern(files.path("p.303"), -1, rng() % 2);
                break;
            case 10:
                engine.importABLPattern(files.path(rng() % 2 ? "p2.pat" : "p3.pat"), index, true);
                break;
            case 11:
                engine.importPhoscyonPattern(files.path("p.phptr"), -1);
                break;
            case 12:
                engine.getCurrentPattern()->setName("stress " + std::to_string(index));
                break;
            case 13:
                engine.internalPlay();
                engine.play(static_cast<int>(36 + rng() % 60), 100);
                break;
            case 14:
                engine.internalStop();
                engine.stop(static_cast<int>(36 + rng() % 60), 0);
                break;
            case 15:
            {
                ChainEntries chain;
                for (int i = static_cast<int>(rng() % 9); i > 0; --i)
                    chain.append(static_cast<int>(rng() % 64));
                engine.setChain(chain);
                engine.setParameter(kChainPlay, 1.0f);
                break;
            }
            default:
                engine.triggerPattern(static_cast<int>(rng() % 32));
                break;
            }
            edits.fetch_add(1);
        }
    });

    std::thread state([&] {
        std::mt19937 rng(4);
        while (running.load())
        {
            void* data = nullptr;
            const VstInt32 size = engine.getChunk(&data, false);
            std::vector<std::uint8_t> copy(static_cast<std::uint8_t*>(data),
                                           static_cast<std::uint8_t*>(data) + size);
            if (rng() % 3 == 0 && !copy.empty())
                copy[rng() % copy.size()] ^= 0x40;
            engine.setChunk(copy.data(), static_cast<VstInt32>(copy.size()), false);
            if (rng() % 8 == 0)
                engine.importBank(files.path("b.b303"), -1);
            chunks.fetch_add(1);
        }
    });

    std::this_thread::sleep_for(std::chrono::duration<double>(stressSeconds()));
    running.store(false);
    for (std::thread* t : {&audio, &automation, &editor, &state})
        t->join();

    EXPECT_TRUE(finite.load());
    EXPECT_GT(blocks.load(), 0);
    EXPECT_GT(edits.load(), 0);
    EXPECT_GT(chunks.load(), 0);
    std::printf("stress: %lld blocks, %lld automations, %lld edits, %lld chunk round trips\n",
                blocks.load(), automations.load(), edits.load(), chunks.load());
}
