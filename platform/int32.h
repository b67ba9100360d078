#pragma once

#include <cstdint>

namespace corvane {

// The signed 32-bit value of these 32 bits, two's complement, without relying on how the
// compiler narrows: the program's counters wrap past INT_MAX and INT_MIN as they always have.
constexpr std::int32_t wrapToInt32(std::uint32_t bits)
{
    return bits <= 0x7FFFFFFFu ? static_cast<std::int32_t>(bits)
                               : static_cast<std::int32_t>(bits - 0x80000000u) - 0x7FFFFFFF - 1;
}

// a + b and a - b wrapped the same way.
constexpr std::int32_t wrappingAdd(std::int32_t a, std::int32_t b)
{
    return wrapToInt32(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}
constexpr std::int32_t wrappingSubtract(std::int32_t a, std::int32_t b)
{
    return wrapToInt32(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
}

} // namespace corvane
