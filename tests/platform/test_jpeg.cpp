#include "platform/errors.h"
#include "platform/jpegimage.h"
#include "support/testfiles.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

TEST(Jpeg, logoDecodesAtFullScaleIntoRgb)
{
    const std::string bytes = test::readBytes(CORVANE_ASSETS_DIR "/logo.jpg");
    const RgbImage image = decodeJpeg(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    EXPECT_EQ(image.width, 100);
    EXPECT_EQ(image.height, 102);
    ASSERT_EQ(image.pixels.size(), 100u * 102u * 3u);
    // The top-left corner is the white background.
    EXPECT_GT(image.pixels[0], 240);
    EXPECT_GT(image.pixels[1], 240);
    EXPECT_GT(image.pixels[2], 240);
}

TEST(Jpeg, libraryErrorsBecomeOurErrors)
{
    EXPECT_THROW(decodeJpeg(nullptr, 0), JpegError);
    const std::string junk = "not a jpeg at all";
    try {
        decodeJpeg(reinterpret_cast<const std::uint8_t*>(junk.data()), junk.size());
        FAIL();
    } catch (const JpegError& e) {
        EXPECT_FALSE(std::string(e.what()).empty());
    }
}

} // namespace
} // namespace corvane
