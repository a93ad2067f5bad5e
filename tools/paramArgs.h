// --param arguments: "INDEX=VALUE" or "NAME=VALUE", with NAME as the host sees it.
// Offline use; allocates.
#pragma once

#include <string>
#include <vector>

namespace quelvar
{

struct ParamArg
{
    std::string target; // slot index or name, surrounding blanks removed
    float value;        // normalised, 0–1
};

// The whole text as a finite number in strtod's syntax; false for anything else.
bool parseNumber(const std::string& text, double& value);

// False with a message when there is no '=', no target, or the value is not a number in 0–1.
bool parseParamArg(const std::string& text, ParamArg& out, std::string& error);

// The slot that `target` names among the host-visible `names` (slot i has names[i]): a decimal
// index below names.size(), or a name compared without regard to case or surrounding blanks.
// -1 with a message when it names no slot, or several (the unnamed slots share one name).
int resolveParam(const std::string& target, const std::vector<std::string>& names,
                 std::string& error);

} // namespace quelvar
