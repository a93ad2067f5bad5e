#include "bridge/bridgeProtocol.h"

namespace quelvar::bridge
{

namespace
{
// A message of `fixed` header bytes followed by a length field at `lengthAt` and that many bytes
// plus `tail` more. 0 when the header, the length or the body is not all there.
std::size_t variableLength(std::span<const std::uint8_t> bytes, std::size_t fixed,
                           std::size_t lengthAt, bool byteLength, std::size_t tail)
{
    if (bytes.size() < fixed)
        return 0;
    const std::int64_t length =
        byteLength ? bytes[lengthAt] : static_cast<std::int64_t>(getInt32(&bytes[lengthAt]));
    if (length < 0)
        return 0;
    const auto total =
        static_cast<std::uint64_t>(fixed) + static_cast<std::uint64_t>(length) + tail;
    return total <= bytes.size() ? static_cast<std::size_t>(total) : 0;
}

std::size_t fixedLength(std::span<const std::uint8_t> bytes, std::size_t length)
{
    return bytes.size() >= length ? length : 0;
}
} // namespace

bool isNoticeOpcode(std::uint8_t opcode)
{
    return (opcode >= notice::parameter && opcode <= notice::lineFile) ||
           opcode == notice::distortionType;
}

bool isCommandOpcode(std::uint8_t opcode)
{
    switch (opcode)
    {
    case command::parameter:
    case command::noteOldest:
    case command::noteOld:
    case command::note:
    case command::randomise:
    case command::pattern:
    case command::stepEdit:
    case command::patternSlot:
    case command::patternName:
    case command::patternContents:
    case command::playOld:
    case command::play:
    case command::stop:
    case command::learnController:
    case command::forgetController:
    case command::editorScale:
    case command::beginEdit:
    case command::endEdit:
    case command::lineSettings:
    case command::lineEdit:
    case command::lineFile:
    case command::chain:
    case command::selectPattern:
    case command::exportFile:
    case command::importFile:
        return true;
    default:
        return false;
    }
}

std::size_t noticeLength(std::span<const std::uint8_t> bytes)
{
    if (bytes.empty())
        return 0;
    switch (bytes[0])
    {
    case notice::parameter:
        return fixedLength(bytes, 9);
    case notice::refresh:
        return fixedLength(bytes, 1);
    case notice::step:
    case notice::quit:
    case notice::distortionType:
        return fixedLength(bytes, 2);
    case notice::midi:
        return fixedLength(bytes, 4);
    case notice::windowOld:
    case notice::window:
        return variableLength(bytes, 5, 1, false, 1);
    case notice::imported:
    case notice::lineFile:
        return variableLength(bytes, 6, 2, false, 0);
    default:
        return 0;
    }
}

std::size_t commandLength(std::span<const std::uint8_t> bytes)
{
    if (bytes.empty())
        return 0;
    switch (bytes[0])
    {
    case command::parameter:
        return fixedLength(bytes, 9);
    case command::noteOldest:
    case command::noteOld:
    case command::note:
    case command::randomise:
    case command::patternSlot:
        return fixedLength(bytes, 4);
    case command::pattern:
    case command::learnController:
    case command::forgetController:
    case command::editorScale:
    case command::beginEdit:
    case command::endEdit:
    case command::lineEdit:
    case command::selectPattern:
        return fixedLength(bytes, 2);
    case command::lineSettings:
        return fixedLength(bytes, 7);
    case command::lineFile:
        return variableLength(bytes, 5, 1, false, 0);
    case command::chain:
    {
        if (bytes.size() < 3)
            return 0;
        const std::size_t total = 3 + (bytes[1] | static_cast<std::size_t>(bytes[2]) << 8);
        return total <= bytes.size() ? total : 0;
    }
    case command::stepEdit:
        return fixedLength(bytes, 7);
    case command::patternName:
        return variableLength(bytes, 2, 1, true, 0);
    case command::patternContents:
        return variableLength(bytes, kPatternContentsFixedBytes, kPatternContentsFixedBytes - 1,
                              true, 0);
    case command::playOld:
    case command::play:
    case command::stop:
        return 1;
    case command::exportFile:
        return variableLength(bytes, 6, 2, false, 0);
    case command::importFile:
        return variableLength(bytes, 7, 3, false, 0);
    default:
        return 0;
    }
}

std::size_t encodeParameter(std::uint8_t* out, std::uint8_t opcode, int index, float value)
{
    out[0] = opcode;
    putInt32(out + 1, index);
    putFloat(out + 5, value);
    return 9;
}

std::size_t encodeThreeBytes(std::uint8_t* out, std::uint8_t opcode, int a, int b, int c)
{
    out[0] = opcode;
    out[1] = static_cast<std::uint8_t>(a);
    out[2] = static_cast<std::uint8_t>(b);
    out[3] = static_cast<std::uint8_t>(c);
    return 4;
}

std::size_t encodeTwoBytes(std::uint8_t* out, std::uint8_t opcode, int a)
{
    out[0] = opcode;
    out[1] = static_cast<std::uint8_t>(a);
    return 2;
}

std::size_t encodeStepEdit(std::uint8_t* out, int field, int step, int value)
{
    out[0] = command::stepEdit;
    out[1] = static_cast<std::uint8_t>(field);
    out[2] = static_cast<std::uint8_t>(step);
    putInt32(out + 3, value);
    return 7;
}

std::size_t encodeWindow(std::uint8_t* out, std::string_view text)
{
    out[0] = notice::window;
    putInt32(out + 1, static_cast<std::int32_t>(text.size()));
    std::memcpy(out + 5, text.data(), text.size());
    out[5 + text.size()] = 0;
    return 6 + text.size();
}

std::size_t encodeImported(std::uint8_t* out, std::size_t capacity, bool read,
                           std::span<const std::string> lines)
{
    if (capacity < 6)
        return 0;
    out[0] = notice::imported;
    out[1] = read ? 1 : 0;
    std::size_t at = 6;
    for (const std::string& line : lines)
    {
        const std::size_t separator = at > 6 ? 1 : 0;
        if (at + separator + line.size() > capacity)
            break;
        if (separator)
            out[at++] = '\n';
        std::memcpy(out + at, line.data(), line.size());
        at += line.size();
    }
    putInt32(out + 2, static_cast<std::int32_t>(at - 6));
    return at;
}

std::size_t encodePatternName(std::uint8_t* out, std::size_t capacity, std::string_view name)
{
    if (name.size() > 255 || 2 + name.size() > capacity)
        return 0;
    out[0] = command::patternName;
    out[1] = static_cast<std::uint8_t>(name.size());
    std::memcpy(out + 2, name.data(), name.size());
    return 2 + name.size();
}

std::size_t encodeExport(std::uint8_t* out, std::size_t capacity, int format, std::string_view path)
{
    if (6 + path.size() > capacity)
        return 0;
    out[0] = command::exportFile;
    out[1] = static_cast<std::uint8_t>(format);
    putInt32(out + 2, static_cast<std::int32_t>(path.size()));
    std::memcpy(out + 6, path.data(), path.size());
    return 6 + path.size();
}

std::size_t encodeImport(std::uint8_t* out, std::size_t capacity, int format, int patternIndex,
                         std::string_view path)
{
    if (7 + path.size() > capacity)
        return 0;
    out[0] = command::importFile;
    out[1] = static_cast<std::uint8_t>(format);
    out[2] = static_cast<std::uint8_t>(patternIndex);
    putInt32(out + 3, static_cast<std::int32_t>(path.size()));
    std::memcpy(out + 7, path.data(), path.size());
    return 7 + path.size();
}

std::size_t encodeLineSettings(std::uint8_t* out, const LineSettings& settings)
{
    const LineSettings s = heldInRange(settings);
    out[0] = command::lineSettings;
    out[1] = s.key;
    out[2] = static_cast<std::uint8_t>(s.scale);
    out[3] = s.mutatePercent;
    out[4] = s.restPercent;
    out[5] = s.accentPercent;
    out[6] = s.slidePercent;
    return 7;
}

LineSettings decodeLineSettings(const std::uint8_t* m)
{
    LineSettings s;
    s.key = m[1];
    s.scale = static_cast<Scale>(m[2]);
    s.mutatePercent = m[3];
    s.restPercent = m[4];
    s.accentPercent = m[5];
    s.slidePercent = m[6];
    return heldInRange(s);
}

std::size_t encodeLineFileRequest(std::uint8_t* out, std::size_t capacity, std::string_view folder)
{
    if (5 + folder.size() > capacity)
        return 0;
    out[0] = command::lineFile;
    putInt32(out + 1, static_cast<std::int32_t>(folder.size()));
    std::memcpy(out + 5, folder.data(), folder.size());
    return 5 + folder.size();
}

std::size_t encodeLineFileWritten(std::uint8_t* out, std::size_t capacity, std::string_view path)
{
    if (6 + path.size() > capacity)
        return 0;
    out[0] = notice::lineFile;
    out[1] = path.empty() ? 0 : 1;
    putInt32(out + 2, static_cast<std::int32_t>(path.size()));
    std::memcpy(out + 6, path.data(), path.size());
    return 6 + path.size();
}

std::size_t encodePatternContents(std::uint8_t* out, std::size_t capacity,
                                  const PatternContents& contents)
{
    const std::size_t length = kPatternContentsFixedBytes + contents.name.size();
    if (contents.name.size() > kMaxPatternContentsName || length > capacity)
        return 0;
    out[0] = command::patternContents;
    out[1] = static_cast<std::uint8_t>(contents.index);
    out[2] = static_cast<std::uint8_t>(contents.stepCount);
    for (std::size_t i = 0; i < contents.steps.size(); ++i)
        std::memcpy(out + 3 + 3 * i, contents.steps[i].data(), 3);
    out[kPatternContentsFixedBytes - 1] = static_cast<std::uint8_t>(contents.name.size());
    std::memcpy(out + kPatternContentsFixedBytes, contents.name.data(), contents.name.size());
    return length;
}

bool decodePatternContents(std::span<const std::uint8_t> message, PatternContents& out)
{
    if (message.size() < kPatternContentsFixedBytes ||
        message.size() != kPatternContentsFixedBytes + message[kPatternContentsFixedBytes - 1])
        return false;
    out.index = message[1];
    out.stepCount = message[2];
    if (out.index >= kPatternsPerSong || out.stepCount > kStepsPerPattern)
        return false;
    for (std::size_t i = 0; i < out.steps.size(); ++i)
    {
        std::memcpy(out.steps[i].data(), &message[3 + 3 * i], 3);
        if (out.steps[i][0] > kMaxStepNote)
            return false;
    }
    out.name = textField(&message[kPatternContentsFixedBytes],
                         message.size() - kPatternContentsFixedBytes);
    return out.name.size() <= kMaxPatternContentsName;
}

std::size_t encodeChain(std::uint8_t* out, const ChainEntries& chain)
{
    const int n = chain.size();
    out[0] = command::chain;
    out[1] = static_cast<std::uint8_t>(n & 0xFF);
    out[2] = static_cast<std::uint8_t>(n >> 8);
    for (int i = 0; i < n; ++i)
        out[3 + i] = static_cast<std::uint8_t>(chain.pattern(i));
    return 3 + static_cast<std::size_t>(n);
}

bool decodeChain(std::span<const std::uint8_t> message, ChainEntries& out)
{
    out.clear();
    if (message.size() < 3)
        return false;
    const std::size_t n = message[1] | static_cast<std::size_t>(message[2]) << 8;
    if (n > kMaxChainEntries || message.size() < 3 + n)
        return false;
    for (std::size_t i = 0; i < n; ++i)
        if (!out.append(message[3 + i]))
            return false;
    return true;
}

} // namespace quelvar::bridge
