#include "SampleMath.h"

#include <array>

namespace tavdsp {

namespace {

struct UnitScaleTable {
    UnitScaleTable()
    {
        for (int s = -32768; s <= 32767; ++s)
            values[static_cast<std::size_t>(s + 32768)] = static_cast<float>(s) / 32767.0f;
    }
    std::array<float, 65536> values;
};

} // namespace

const float *UnitScale() noexcept
{
    static const UnitScaleTable table;
    return table.values.data() + 32768;
}

} // namespace tavdsp
