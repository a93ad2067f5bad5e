// Bytes read from the editor bridge's pipes, as either end parses them: every message found
// lies within the bytes read, a whole pattern-contents or chain command decodes without reading
// past its length (a chain into entries of the song), and line settings decode within their
// ranges. The same bytes are walked as commands (the plugin's side) and as notices (the UI
// process's side).
#include "bridge/bridgeProtocol.h"

#include <cstdio>
#include <cstdlib>
#include <span>

namespace
{
[[noreturn]] void fail(const char* what, std::size_t a, std::size_t b)
{
    std::fprintf(stderr, "invariant broken: %s (%zu, %zu)\n", what, a, b);
    std::abort();
}

template <typename Length, typename IsOpcode>
void walk(std::span<const std::uint8_t> bytes, Length length, IsOpcode isOpcode, bool commands)
{
    using namespace quelvar::bridge;
    for (std::size_t at = 0; at < bytes.size();)
    {
        const std::span<const std::uint8_t> rest = bytes.subspan(at);
        if (!isOpcode(rest[0]))
            return;
        const std::size_t n = length(rest);
        if (n == 0)
            return;
        if (n > rest.size())
            fail("message past the bytes read", n, rest.size());
        if (commands && rest[0] == command::patternContents)
        {
            PatternContents contents;
            if (decodePatternContents(rest.first(n), contents) &&
                (contents.name.data() < reinterpret_cast<const char*>(rest.data()) ||
                 contents.name.data() + contents.name.size() >
                     reinterpret_cast<const char*>(rest.data() + n)))
                fail("name outside its message", n, contents.name.size());
        }
        if (commands && rest[0] == command::chain)
        {
            quelvar::ChainEntries chain;
            if (decodeChain(rest.first(n), chain) &&
                (static_cast<std::size_t>(chain.size()) != n - 3 || chain.size() > 256))
                fail("chain differs from its message", n, static_cast<std::size_t>(chain.size()));
        }
        if (commands && rest[0] == command::lineSettings)
        {
            const quelvar::LineSettings s = decodeLineSettings(rest.data());
            if (!(quelvar::heldInRange(s) == s))
                fail("line settings out of range", n, rest[1]);
        }
        at += n;
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace quelvar::bridge;
    const std::span<const std::uint8_t> bytes(data, size);
    walk(bytes, commandLength, isCommandOpcode, true);
    walk(bytes, noticeLength, isNoticeOpcode, false);
    return 0;
}
