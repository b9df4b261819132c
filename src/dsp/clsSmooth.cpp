#include "clsSmooth.h"

#include "common/NumberedError.h"

void clsSmooth::SmoothNew(std::int32_t size)
{
    if (size < 1)
        throw NumberedError(32000, "clsSmooth", "Out Of Bounds!");
    m_values.assign(static_cast<std::size_t>(size), 0.0f);
    m_pos = 0;
    m_count = 0;
}

void clsSmooth::SmoothAdd(float sample) noexcept
{
    if (m_values.empty())
        return;
    m_values[m_pos] = sample;
    ++m_pos;
    if (m_count < m_pos)
        ++m_count;
    if (m_pos == m_values.size())
        m_pos = 0;
}

float clsSmooth::SmoothGetMax() const noexcept
{
    if (m_count == 0)
        return 0.0f;
    float sum = 0.0f;
    for (std::size_t i = 0; i < m_count; ++i)
        sum += m_values[i];
    return sum / static_cast<float>(m_count);
}
