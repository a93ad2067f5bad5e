#include "convertCommand.h"

#include "engine/Palladon.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <set>
#include <system_error>

namespace quelvar
{

namespace
{
namespace fs = std::filesystem;

std::string outputFor(const ConvertOptions& o, const std::string& input)
{
    if (!o.batchFormat)
        return o.output;
    const fs::path in(input);
    const fs::path dir = o.outDir.empty() ? in.parent_path() : fs::path(o.outDir);
    return (dir / in.stem()).string() + "." + suffixOf(*o.batchFormat);
}

bool sameFile(const std::string& a, const std::string& b)
{
    std::error_code ec;
    return fs::equivalent(a, b, ec) && !ec;
}

bool convertOne(const std::string& input, const std::string& output, const ConvertOptions& o,
                std::string& error)
{
    if (sameFile(input, output))
    {
        error = output + ": would overwrite its input " + input;
        return false;
    }
    // A fresh engine per file, so no setting of one file leaks into the next.
    const auto engine = std::make_unique<Palladon>(nullptr, Flavour::plugin);
    std::vector<std::string> notices;
    if (!readPatternFile(*engine, input, true, error, notices))
        return false;
    if (!o.quiet)
        printNotices(input, notices);
    return writePatternFile(*engine, output, o.write, error);
}
} // namespace

int runConvert(const ConvertOptions& o)
{
    if (!o.outDir.empty())
    {
        std::error_code ec;
        fs::create_directories(o.outDir, ec);
        if (ec || !fs::is_directory(o.outDir))
        {
            std::fprintf(stderr, "quelvar-render: %s: cannot make the folder\n", o.outDir.c_str());
            return 1;
        }
    }
    int failed = 0;
    std::set<std::string> written;
    for (const std::string& input : o.inputs)
    {
        const std::string output = outputFor(o, input);
        std::string error;
        bool ok = false;
        if (written.count(output) != 0)
            error = output + ": written already from another input, not again from " + input;
        else
            ok = convertOne(input, output, o, error);
        if (ok)
        {
            written.insert(output);
            std::printf("converted %s -> %s\n", input.c_str(), output.c_str());
        }
        else
        {
            ++failed;
            std::fprintf(stderr, "quelvar-render: %s\n", error.c_str());
        }
    }
    std::fflush(stdout);
    return failed == 0 ? 0 : 1;
}

} // namespace quelvar
