#pragma once
// Keeps the last `size` values of a series and gives their mean; steadies the level meters.
//
// Not thread-safe. Only SmoothNew allocates.
#include <cstdint>
#include <vector>

class clsSmooth {
public:
    // Starts an empty ring of `size` values (at least 1, else NumberedError 32000
    // "Out Of Bounds!" from the source "clsSmooth").
    void SmoothNew(std::int32_t size);

    // Stores a value, replacing the oldest once the ring is full. Ignored before SmoothNew.
    void SmoothAdd(float sample) noexcept;

    // The mean of the values in the ring: of the last `size` values once it is full, of all
    // values added so far before that; 0 while the ring is empty.
    float SmoothGetMax() const noexcept;

private:
    std::vector<float> m_values;
    std::size_t m_pos = 0;
    std::size_t m_count = 0;
};
