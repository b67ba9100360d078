#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace corvane {

// A decoded picture: rows top to bottom, three bytes (R, G, B) a pixel, no padding.
struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;
};

// Widest and tallest picture decoded; a header asking for more is refused before anything is
// allocated for it (the logo is 100 x 102).
inline constexpr unsigned kMaxJpegDimension = 4096;

// Decodes a JPEG held in memory at full scale into 24-bit colour. Throws JpegError with the
// library's own text; every failure is a JpegError and frees what the library held.
RgbImage decodeJpeg(const std::uint8_t* data, std::size_t size);

} // namespace corvane
