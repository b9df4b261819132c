#pragma once
// The program's executable name, which begins the source text of every numbered error
// ("tavilune.lameConvert", "tavilune.cWavePlayer"...).
#include <string>

inline constexpr const char *kProgramName = "tavilune";

// "tavilune." followed by the name of the operation or class that raised an error.
inline std::string ErrorSource(const char *operation)
{
    return std::string(kProgramName) + '.' + operation;
}
