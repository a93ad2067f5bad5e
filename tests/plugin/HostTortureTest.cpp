// A hostile host: every opcode in random order with random arguments, absurd parameter values,
// sample rates and block sizes, garbage MIDI, sysex and foreign events, and damaged state chunks.
// The plugin must not crash (the sanitizer build checks memory and undefined behaviour) and every
// sample must be finite.
#include "tools/vsthost/VstHost.h"

#include <array>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <limits>
#include <random>
#include <vector>

using namespace quelvar;

namespace
{
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

std::vector<std::vector<std::uint8_t>> chunkCorpus()
{
    std::vector<std::vector<std::uint8_t>> chunks;
    const std::filesystem::path dir = std::filesystem::path(QUELVAR_FUZZ_CORPUS_DIR) / "Chunk";
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(dir, error))
    {
        std::ifstream in(entry.path(), std::ios::binary);
        chunks.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return chunks;
}

class Torturer
{
public:
    explicit Torturer(std::uint32_t seed) : rng(seed), host(QUELVAR_PLUGIN_PATH) {}

    bool loaded() const { return host.loaded(); }

    // One random action; returns false when an output sample was not finite.
    bool step()
    {
        switch (pick(10))
        {
        case 0:
            return dispatchAnything();
        case 1:
            setParameterAnything();
            return true;
        case 2:
            changeRate();
            return true;
        case 3:
            host.dispatch(effSetBlockSize, 0, pickOf<int>({0, 1, 7, 64, 512, 4096, 65536, -5}));
            return true;
        case 4:
            if (pick(3) == 0)
                sendForeignEvents();
            else
                queueGarbageMidi();
            return render();
        case 5:
            loadChunk();
            return true;
        case 6:
            transport();
            return render();
        default:
            return render();
        }
    }

    long long framesRendered = 0;

private:
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }

    template <typename T>
    T pickOf(std::initializer_list<T> values)
    {
        return *(values.begin() + pick(static_cast<int>(values.size())));
    }

    bool dispatchAnything()
    {
        // Opcodes whose pointer is written through get a real buffer; the rest get null or junk.
        const VstInt32 opcode = pick(90) - 5;
        if (opcode == effClose)
            return true; // closing ends the run
        if (opcode == effEditOpen || opcode == effEditClose)
        {
            // Without a display the UI process cannot start or ends at once; the plugin goes on.
            if (pick(8) == 0)
                host.dispatch(opcode, 0, 0, reinterpret_cast<void*>(std::uintptr_t{0x1234}));
            return true;
        }
        char text[1024];
        std::memset(text, 0x5A, sizeof text);
        text[sizeof text - 1] = 0;
        void* chunkPointer = nullptr;
        void* ptr = pick(3) == 0 ? nullptr : text;
        if (opcode == effGetChunk)
            ptr = pick(2) ? &chunkPointer : nullptr;
        if (opcode == effSetChunk || opcode == effProcessEvents)
            ptr = nullptr; // covered with real data below
        host.dispatch(opcode, pick(64) - 16, pick(100000) - 10, ptr,
                      pickOf<float>({0.0f, 1.0f, -1.0f, kNaN, kInf, 44100.0f}));
        return true;
    }

    void setParameterAnything()
    {
        const int index = pick(40) - 5;
        host.setParameter(index, pickOf<float>({kNaN, kInf, -kInf, -1.0f, 2.0f, 0.0f, 0.5f,
                                                1.0f, 1e30f, -1e-30f,
                                                std::uniform_real_distribution<float>()(rng)}));
        host.getParameter(index);
        host.parameterDisplay(index);
    }

    void changeRate()
    {
        const float rate = pickOf<float>(
            {1.0f, 8000.0f, 11025.0f, 22049.0f, 22050.0f, 44100.0f, 96000.0f, 192000.0f,
             384000.0f, 0.0f, -44100.0f, kNaN});
        host.dispatch(effMainsChanged, 0, 0);
        host.dispatch(effSetSampleRate, 0, 0, nullptr, rate);
        host.dispatch(effMainsChanged, 0, 1);
        host.timeInfo.sampleRate = pick(4) ? rate : 44100.0;
    }

    void queueGarbageMidi()
    {
        const int count = pick(300);
        for (int i = 0; i < count; ++i)
            host.queueMidi(pick(70000) - 100, static_cast<std::uint8_t>(pick(256)),
                           static_cast<std::uint8_t>(pick(256)),
                           static_cast<std::uint8_t>(pick(256)));
    }

    // Sysex and event types the plugin does not know, mixed with MIDI, as some hosts send them.
    void sendForeignEvents()
    {
        constexpr int kCount = 24;
        std::array<VstMidiSysexEvent, kCount> sysex{};
        std::array<VstMidiEvent, kCount> midi{};
        std::array<std::uint8_t, 4096> dump{};
        for (auto& b : dump)
            b = static_cast<std::uint8_t>(pick(256));
        VstEventArray<2 * kCount> list{};
        list.numEvents = 2 * kCount;
        for (int i = 0; i < kCount; ++i)
        {
            VstMidiSysexEvent& s = sysex[static_cast<std::size_t>(i)];
            s.type = pickOf<VstInt32>({kVstSysExType, 0, 2, 3, 4, 5, 7, -1, 1000});
            s.byteSize = pickOf<VstInt32>({sizeof s, 0, -1, 1 << 30});
            s.deltaFrames = pick(70000) - 100;
            s.dumpBytes = pickOf<VstInt32>({0, 1, 4096, -7});
            s.sysexDump = pick(2) ? reinterpret_cast<char*>(dump.data()) : nullptr;
            VstMidiEvent& m = midi[static_cast<std::size_t>(i)];
            m.type = kVstMidiType;
            m.byteSize = sizeof m;
            m.deltaFrames = pick(70000) - 100;
            for (char& d : m.midiData)
                d = static_cast<char>(pick(256));
            list.events[2 * i] = reinterpret_cast<VstEvent*>(&s);
            list.events[2 * i + 1] = reinterpret_cast<VstEvent*>(&m);
        }
        host.dispatch(effProcessEvents, 0, 0, list.get());
    }

    void loadChunk()
    {
        static const std::vector<std::vector<std::uint8_t>> corpus = chunkCorpus();
        std::vector<std::uint8_t> chunk;
        if (!corpus.empty() && pick(2))
            chunk = corpus[static_cast<std::size_t>(pick(static_cast<int>(corpus.size())))];
        else
        {
            chunk.resize(static_cast<std::size_t>(pick(12000)));
            for (auto& b : chunk)
                b = static_cast<std::uint8_t>(pick(256));
            if (!chunk.empty())
                chunk[0] = 2;
        }
        for (int flips = pick(4); flips > 0 && !chunk.empty(); --flips)
            chunk[static_cast<std::size_t>(pick(static_cast<int>(chunk.size())))] ^=
                static_cast<std::uint8_t>(1 << pick(8));
        host.dispatch(effSetChunk, pick(2), static_cast<VstIntPtr>(chunk.size()),
                      chunk.empty() ? nullptr : chunk.data());
    }

    void transport()
    {
        switch (pick(5))
        {
        case 0:
            host.play(pickOf<double>({0.0, 5.0, -3.0, 1e12, -1e300}));
            break;
        case 1:
            host.stop();
            break;
        case 2:
            host.locate(pickOf<double>({0.0, 17.25, 1e9}));
            break;
        case 3:
            host.setTempo(pickOf<double>({0.0, -1.0, 1.0, 40.0, 120.0, 300.0, 1e6, kNaN}));
            break;
        default:
            host.answerTimeInfo = pick(5) != 0;
            break;
        }
    }

    bool render()
    {
        const int frames = pickOf<int>({0, 1, 7, 64, 511, 512, 4096, 20000, 65536});
        left.assign(static_cast<std::size_t>(frames) + 1, 0.0f);
        right.assign(static_cast<std::size_t>(frames) + 1, 0.0f);
        host.processBlock(left.data(), right.data(), frames);
        framesRendered += frames;
        for (int i = 0; i < frames; ++i)
            if (!std::isfinite(left[static_cast<std::size_t>(i)]) ||
                !std::isfinite(right[static_cast<std::size_t>(i)]))
                return false;
        return true;
    }

    std::mt19937 rng;
    VstHost host;
    std::vector<float> left;
    std::vector<float> right;
};
} // namespace

TEST(HostTorture, RandomOpcodesArgumentsRatesBlocksMidiAndChunks)
{
    unsetenv("DISPLAY");
    ASSERT_FALSE(chunkCorpus().empty()) << "no chunks in " << QUELVAR_FUZZ_CORPUS_DIR;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(40);
    long long actions = 0;
    long long frames = 0;
    for (std::uint32_t seed = 1; std::chrono::steady_clock::now() < deadline; ++seed)
    {
        Torturer t(seed);
        ASSERT_TRUE(t.loaded());
        for (int i = 0; i < 400 && std::chrono::steady_clock::now() < deadline; ++i, ++actions)
            ASSERT_TRUE(t.step()) << "seed " << seed << " action " << i;
        frames += t.framesRendered;
    }
    RecordProperty("actions", static_cast<int>(actions));
    std::printf("torture: %lld actions, %lld frames rendered\n", actions, frames);
}
