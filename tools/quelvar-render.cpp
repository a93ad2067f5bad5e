// quelvar-render: plays the plugin as a host would, with the host transport running at a given
// tempo and sample rate, and writes what it renders to a WAV file.
#include "WavWriter.h"
#include "support/TestHost.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{

struct Options
{
    std::string plugin;
    std::string out;
    double seconds = 0.0;
    double bars = 4.0;
    double tempo = 120.0;
    int rate = 44100;
    int block = 512;
};

void usage()
{
    std::fputs("usage: quelvar-render --out FILE.wav [--seconds N | --bars N] [--tempo BPM]\n"
               "                      [--rate HZ] [--block N] [--plugin QuelvarVST.so]\n",
               stderr);
}

std::string executableDirectory()
{
    char path[4096];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0)
        return ".";
    path[n] = 0;
    std::string s(path);
    const auto slash = s.rfind('/');
    return slash == std::string::npos ? "." : s.substr(0, slash);
}

// Next to the program in a build tree, or where an installation puts it.
std::string defaultPlugin()
{
    const std::string dir = executableDirectory();
    for (const std::string& candidate :
         {dir + "/QuelvarVST.so", dir + "/../lib/vst/QuelvarVST.so"})
        if (access(candidate.c_str(), R_OK) == 0)
            return candidate;
    return dir + "/QuelvarVST.so";
}

bool parseNumber(const char* text, double& value)
{
    char* end = nullptr;
    value = std::strtod(text, &end);
    return end != text && *end == 0 && std::isfinite(value);
}

bool parse(int argc, char** argv, Options& o)
{
    o.plugin = defaultPlugin();
    for (int i = 1; i < argc; ++i)
    {
        const std::string arg = argv[i];
        if (i + 1 >= argc)
            return false;
        const char* value = argv[++i];
        double number = 0.0;
        if (arg == "--out")
            o.out = value;
        else if (arg == "--plugin")
            o.plugin = value;
        else if (!parseNumber(value, number))
            return false;
        else if (arg == "--seconds")
            o.seconds = number;
        else if (arg == "--bars")
            o.bars = number;
        else if (arg == "--tempo")
            o.tempo = number;
        else if (arg == "--rate")
            o.rate = static_cast<int>(number);
        else if (arg == "--block")
            o.block = static_cast<int>(number);
        else
            return false;
    }
    return !o.out.empty() && o.tempo > 0.0 && o.rate > 0 && o.block > 0;
}

} // namespace

int main(int argc, char** argv)
{
    Options o;
    if (!parse(argc, argv, o))
    {
        usage();
        return 2;
    }
    quelvar::TestHost host(o.plugin);
    if (!host.loaded())
    {
        std::fprintf(stderr, "quelvar-render: cannot load %s: %s\n", o.plugin.c_str(),
                     host.error().c_str());
        return 1;
    }
    host.setTempo(o.tempo);
    host.start(o.rate, o.block);
    host.play(0.0);

    const double seconds = o.seconds > 0.0 ? o.seconds : o.bars * 4.0 * 60.0 / o.tempo;
    const int frames = static_cast<int>(std::lround(seconds * o.rate));
    std::vector<float> left, right;
    host.render(frames, o.block, left, right);

    if (!quelvar::writeWavFloat(o.out, left, right, o.rate))
    {
        std::fprintf(stderr, "quelvar-render: cannot write %s\n", o.out.c_str());
        return 1;
    }
    return 0;
}
