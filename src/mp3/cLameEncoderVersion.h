#pragma once
// The MP3 engine's version record, read once from the engine when the object is made.
#include "lameencshim.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <string>

class LameEngine;

class cLameEncoderVersion {
public:
    static constexpr size_t kRecordSize = BE_VERSION_SIZE;

    // Calls the engine's beVersion on the record (loading the engine if needed; its load error
    // passes on).
    explicit cLameEncoderVersion(LameEngine &engine);
    // Builds the properties from a record already filled.
    explicit cLameEncoderVersion(const std::array<uint8_t, kRecordSize> &record);

    uint8_t DllMajorVersion() const { return m_record[BE_VER_DLL_MAJOR]; }
    uint8_t DllMinorVersion() const { return m_record[BE_VER_DLL_MINOR]; }
    uint8_t MajorVersion() const { return m_record[BE_VER_MAJOR]; }
    uint8_t MinorVersion() const { return m_record[BE_VER_MINOR]; }
    uint8_t AlphaLevel() const { return m_record[BE_VER_ALPHA]; }
    uint8_t BetaLevel() const { return m_record[BE_VER_BETA]; }
    uint8_t MMXEnabled() const { return m_record[BE_VER_MMX]; }
    // Zero (year 0, month 0, day 0; not ok()) when the record holds no valid date.
    std::chrono::year_month_day ReleaseDate() const { return m_releaseDate; }
    const std::string &HomePage() const { return m_homePage; }

private:
    void build();

    std::array<uint8_t, kRecordSize> m_record{};
    std::chrono::year_month_day m_releaseDate{};
    std::string m_homePage;
};
