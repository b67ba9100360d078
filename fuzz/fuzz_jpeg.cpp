// Decodes arbitrary bytes as a JPEG: either a picture of consistent size or our JpegError.
#include "platform/errors.h"
#include "platform/jpegimage.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    try {
        const corvane::RgbImage image = corvane::decodeJpeg(data, size);
        if (image.width <= 0 || image.height <= 0
            || image.pixels.size() != static_cast<std::size_t>(image.width) * image.height * 3)
            std::abort();
    } catch (const corvane::JpegError&) {
        // A refused file is the expected outcome for most inputs.
    }
    return 0;
}
