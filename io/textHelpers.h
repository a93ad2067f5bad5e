// Text helpers for the line-based pattern readers and writers. Pure functions, any thread.
// Numbers are read and written without the C locale, which a Qt program may have changed.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quelvar
{

// Removes leading and trailing spaces (the space character only).
std::string trim(std::string_view text);
// Both compare ASCII letters without regard to case.
bool starts_with(std::string_view text, std::string_view prefix);
bool contains(std::string_view text, std::string_view part);
// The pieces between separators; empty pieces are dropped.
std::vector<std::string> split(std::string_view text, char separator);
std::string remove_char(std::string_view text, char c);

// Reads like atoi: leading blanks, a sign and as many digits as follow; 0 when there are none.
// Held to ±1e9 so that callers can add to it without overflow.
int parseInteger(std::string_view text);
// Reads like atof: leading blanks, then the longest decimal number; 0 when there is none or
// the text spells "nan".
double parseDecimal(std::string_view text);
// printf's "%f": six decimals, a point whatever the locale.
std::string formatFixed6(double value);

} // namespace quelvar
