#pragma once
// The decimal separator of the user's locale for the Qt-free code that writes numbers for the
// user ("44,1 kHz" in French). The C library's own (localeconv) cannot be used: the media
// library needs LC_NUMERIC "C" in the whole process. The program sets it at start-up from
// QLocale; until then it is ".".
#include <string>

inline std::string &UserDecimalPoint()
{
    static std::string point = ".";
    return point;
}

inline void SetUserDecimalPoint(const std::string &point) { UserDecimalPoint() = point.empty() ? "." : point; }
