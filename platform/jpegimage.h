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

// Decodes a JPEG held in memory at full scale into 24-bit colour. Throws JpegError with the
// library's own text.
RgbImage decodeJpeg(const std::uint8_t* data, std::size_t size);

} // namespace corvane
