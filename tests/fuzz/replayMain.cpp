// Runs a fuzz target over every file in the folders (or files) given, for builds without
// libFuzzer. Fails when there is nothing to run, so a lost corpus does not pass silently.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace
{
void runOne(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in),
                                  std::istreambuf_iterator<char>()};
    // An exact-size heap copy, so that a sanitizer sees reads past the end.
    std::vector<std::uint8_t> input(bytes.begin(), bytes.end());
    input.shrink_to_fit();
    LLVMFuzzerTestOneInput(input.data(), input.size());
}
} // namespace

int main(int argc, char** argv)
{
    int inputs = 0;
    for (int i = 1; i < argc; ++i)
    {
        const std::filesystem::path arg = argv[i];
        if (std::filesystem::is_directory(arg))
        {
            for (const auto& entry : std::filesystem::directory_iterator(arg))
                if (entry.is_regular_file())
                {
                    runOne(entry.path());
                    ++inputs;
                }
        }
        else if (std::filesystem::is_regular_file(arg))
        {
            runOne(arg);
            ++inputs;
        }
    }
    // Also the empty input, which no corpus file holds.
    LLVMFuzzerTestOneInput(nullptr, 0);
    std::fprintf(stderr, "replayed %d inputs\n", inputs);
    return inputs > 0 ? 0 : 1;
}
