#include "io/textHelpers.h"

#include <charconv>
#include <cmath>

namespace quelvar
{

namespace
{
char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool sameIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i]))
            return false;
    return true;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view skipBlanks(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    return text.substr(i);
}
} // namespace

std::string trim(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    const std::size_t last = text.find_last_not_of(' ');
    return std::string(text.substr(first, last - first + 1));
}

bool starts_with(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && sameIgnoringCase(text.substr(0, prefix.size()), prefix);
}

bool contains(std::string_view text, std::string_view part)
{
    if (part.size() > text.size())
        return false;
    for (std::size_t i = 0; i + part.size() <= text.size(); ++i)
        if (sameIgnoringCase(text.substr(i, part.size()), part))
            return true;
    return false;
}

std::vector<std::string> split(std::string_view text, char separator)
{
    std::vector<std::string> pieces;
    std::size_t start = 0;
    while (start <= text.size())
    {
        std::size_t end = text.find(separator, start);
        if (end == std::string_view::npos)
            end = text.size();
        if (end > start)
            pieces.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    return pieces;
}

std::string remove_char(std::string_view text, char c)
{
    std::string out;
    out.reserve(text.size());
    for (char x : text)
        if (x != c)
            out.push_back(x);
    return out;
}

int parseInteger(std::string_view text)
{
    constexpr long long kLimit = 1000000000;
    text = skipBlanks(text);
    bool negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-'))
    {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    long long value = 0;
    for (char c : text)
    {
        if (c < '0' || c > '9')
            break;
        value = value * 10 + (c - '0');
        if (value > kLimit)
            value = kLimit;
    }
    return static_cast<int>(negative ? -value : value);
}

double parseDecimal(std::string_view text)
{
    text = skipBlanks(text);
    bool negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-'))
    {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    double value = 0.0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec != std::errc() || std::isnan(value))
        return 0.0;
    return negative ? -value : value;
}

std::string formatFixed6(double value)
{
    char text[400];
    const auto result =
        std::to_chars(text, text + sizeof(text), value, std::chars_format::fixed, 6);
    if (result.ec != std::errc())
        return "0.000000";
    return std::string(text, result.ptr);
}

} // namespace quelvar
