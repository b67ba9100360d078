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

// The logo with its frame header claiming other dimensions.
std::string logoClaiming(unsigned width, unsigned height)
{
    std::string bytes = test::readBytes(CORVANE_ASSETS_DIR "/logo.jpg");
    for (size_t i = 2; i + 9 < bytes.size(); ++i) {
        const auto marker = static_cast<unsigned char>(bytes[i + 1]);
        if (bytes[i] == '\xFF' && (marker == 0xC0 || marker == 0xC1 || marker == 0xC2)) {
            bytes[i + 5] = static_cast<char>(height >> 8);
            bytes[i + 6] = static_cast<char>(height & 0xFF);
            bytes[i + 7] = static_cast<char>(width >> 8);
            bytes[i + 8] = static_cast<char>(width & 0xFF);
            return bytes;
        }
    }
    ADD_FAILURE() << "no frame header in the logo";
    return bytes;
}

TEST(Jpeg, aHeaderAskingForHugeDimensionsIsRefusedBeforeAllocating)
{
    const struct {
        const char* name;
        unsigned width, height;
    } rows[] = {
        {"both huge", 30000, 30000},
        {"wide", kMaxJpegDimension + 1, 102},
        {"tall", 100, kMaxJpegDimension + 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string bytes = logoClaiming(row.width, row.height);
        try {
            decodeJpeg(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
            ADD_FAILURE() << "decoded";
        } catch (const JpegError& e) {
            EXPECT_EQ(std::string(e.what()), "Maximum supported image dimension is "
                                                 + std::to_string(kMaxJpegDimension) + " pixels");
        }
    }
    // The first 91 bytes up to and with a frame header claiming 30000 x 30000.
    const std::string huge = logoClaiming(30000, 30000);
    const size_t sof = huge.find("\xFF\xC2");
    ASSERT_NE(sof, std::string::npos);
    std::string small = huge.substr(0, 2) + huge.substr(sof, 19);
    small.resize(91, '\0');
    EXPECT_THROW(decodeJpeg(reinterpret_cast<const std::uint8_t*>(small.data()), small.size()), JpegError);

    // Exactly at the limit is still decoded (the logo's data then runs out: a warning, not an error).
    const std::string edge = logoClaiming(kMaxJpegDimension, 16);
    EXPECT_EQ(decodeJpeg(reinterpret_cast<const std::uint8_t*>(edge.data()), edge.size()).width,
              static_cast<int>(kMaxJpegDimension));
}

} // namespace
} // namespace corvane
