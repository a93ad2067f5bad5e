// Helpers shared by the io tests: temporary folders, file text, pattern comparison.
#pragma once

#include "engine/Palladon.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace quelvar::iotest
{

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir
{
public:
    TempDir()
    {
        std::random_device rd;
        path = std::filesystem::temp_directory_path() /
               ("quelvar-io-" + std::to_string(rd()) + "-" + std::to_string(rd()));
        std::filesystem::create_directories(path);
    }
    ~TempDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string file(const std::string& name) const { return (path / name).string(); }

private:
    std::filesystem::path path;
};

inline void writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

inline void writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

inline std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Fills a pattern with varied steps from a seed: rests, notes 1–60, slides and accents.
inline void fillPattern(Pattern& p, int nbStep, unsigned seed)
{
    std::mt19937 rng(seed);
    p.setNBStep(nbStep);
    for (int i = 0; i < nbStep; ++i)
    {
        const int r = static_cast<int>(rng() % 64);
        p.setStepNote(r < 4 ? 0 : 1 + r % 60, i);
        p.setStepSlide(rng() % 3 == 0, i);
        p.setStepAccent(rng() % 4 == 0, i);
    }
}

inline void expectSameSteps(const Pattern& expected, const Pattern& actual)
{
    ASSERT_EQ(expected.getNBStep(), actual.getNBStep());
    for (int i = 0; i < expected.getNBStep(); ++i)
    {
        const Step& e = *expected.getStep(i);
        const Step& a = *actual.getStep(i);
        EXPECT_EQ(e.note(), a.note()) << "step " << i;
        EXPECT_EQ(e.slide(), a.slide()) << "step " << i;
        EXPECT_EQ(e.accent(), a.accent()) << "step " << i;
    }
}

inline std::vector<float> parametersOf(Palladon& engine)
{
    std::vector<float> values;
    for (int i = 0; i < kNumParams; ++i)
        values.push_back(engine.getParameter(i));
    return values;
}

inline const char* flavourName(Flavour f)
{
    return f == Flavour::plugin ? "plugin" : "standalone";
}

} // namespace quelvar::iotest
