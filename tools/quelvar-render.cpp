// quelvar-render: renders the plugin as a host would, with files, parameters and MIDI given on
// the command line; or, as "quelvar-render convert", converts pattern files between formats.
#include "convertCommand.h"
#include "renderCommand.h"
#include "renderOptions.h"

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    const bool convert = !args.empty() && args.front() == "convert";
    if (convert)
        args.erase(args.begin());

    std::string error;
    quelvar::RenderOptions render;
    quelvar::ConvertOptions conversion;
    const quelvar::ParseResult parsed = convert
                                            ? quelvar::parseConvertOptions(args, conversion, error)
                                            : quelvar::parseRenderOptions(args, render, error);
    if (parsed == quelvar::ParseResult::help)
    {
        std::fputs(quelvar::usageText().c_str(), stdout);
        return 0;
    }
    if (parsed == quelvar::ParseResult::error)
    {
        std::fprintf(stderr, "quelvar-render: %s\n(quelvar-render --help lists the options)\n",
                     error.c_str());
        return 2;
    }
    return convert ? quelvar::runConvert(conversion) : quelvar::runRender(render);
}
