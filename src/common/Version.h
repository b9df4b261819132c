#pragma once
// The program's version, set once in the project definition ("2.5.0"): the about box shows it and
// the HTTP user agent carries it ("Tavilune/2.5.0").
#ifndef TAVILUNE_VERSION
#error "TAVILUNE_VERSION is defined by the build (tav_common)"
#endif

inline constexpr const char *kProgramVersion = TAVILUNE_VERSION;
inline constexpr const char *kUserAgent = "Tavilune/" TAVILUNE_VERSION;
