#include "cLameEncoderVersion.h"

#include "LameEngine.h"

cLameEncoderVersion::cLameEncoderVersion(LameEngine &engine)
{
    engine.Version(m_record.data());
    build();
}

cLameEncoderVersion::cLameEncoderVersion(const std::array<uint8_t, kRecordSize> &record)
    : m_record(record)
{
    build();
}

void cLameEncoderVersion::build()
{
    using namespace std::chrono;
    const int yearValue = m_record[BE_VER_YEAR] | m_record[BE_VER_YEAR + 1] << 8;
    const year_month_day date{year(yearValue), month(m_record[BE_VER_MONTH]),
                              day(m_record[BE_VER_DAY])};
    if (date.ok())
        m_releaseDate = date;

    const auto *begin = reinterpret_cast<const char *>(m_record.data() + BE_VER_HOMEPAGE);
    size_t length = 0;
    while (length < BE_VER_HOMEPAGE_SIZE && begin[length] != '\0')
        ++length;
    m_homePage.assign(begin, length);
}
