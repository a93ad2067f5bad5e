#include "paramArgs.h"

#include <cctype>
#include <cmath>
#include <cstdlib>

namespace quelvar
{

namespace
{
std::string trimmed(const std::string& s)
{
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

std::string lowered(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool allDigits(const std::string& s)
{
    if (s.empty())
        return false;
    for (char c : s)
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return false;
    return true;
}
} // namespace

bool parseNumber(const std::string& text, double& value)
{
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return !text.empty() && *end == 0 && std::isfinite(value);
}

bool parseParamArg(const std::string& text, ParamArg& out, std::string& error)
{
    // Names hold no '=', so the last one separates the value even from a name ending in blanks.
    const auto equals = text.rfind('=');
    if (equals == std::string::npos)
    {
        error = "--param needs INDEX=VALUE or NAME=VALUE, got \"" + text + "\"";
        return false;
    }
    out.target = trimmed(text.substr(0, equals));
    if (out.target.empty())
    {
        error = "--param \"" + text + "\" names no parameter";
        return false;
    }
    const std::string valueText = trimmed(text.substr(equals + 1));
    double value = 0.0;
    if (!parseNumber(valueText, value) || value < 0.0 || value > 1.0)
    {
        error = "--param \"" + text + "\": the value must be a number from 0 to 1";
        return false;
    }
    out.value = static_cast<float>(value);
    return true;
}

int resolveParam(const std::string& target, const std::vector<std::string>& names,
                 std::string& error)
{
    const std::string wanted = lowered(trimmed(target));
    if (allDigits(wanted))
    {
        const long index = wanted.size() <= 4 ? std::strtol(wanted.c_str(), nullptr, 10) : -1;
        if (index < 0 || index >= static_cast<long>(names.size()))
        {
            error = "no parameter slot " + wanted + " (the plugin has " +
                    std::to_string(names.size()) + ")";
            return -1;
        }
        return static_cast<int>(index);
    }
    std::vector<int> matches;
    for (std::size_t i = 0; i < names.size(); ++i)
        if (lowered(trimmed(names[i])) == wanted)
            matches.push_back(static_cast<int>(i));
    if (matches.size() == 1)
        return matches.front();
    if (matches.empty())
    {
        error = "unknown parameter name \"" + target + "\"";
        return -1;
    }
    error = "parameter name \"" + target + "\" is shared by slots";
    for (int i : matches)
        error += " " + std::to_string(i);
    error += "; give the index";
    return -1;
}

} // namespace quelvar
