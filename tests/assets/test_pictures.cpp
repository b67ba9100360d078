// Checks the shipped pictures against the forms the program loads them in,
// so that regenerating them with make-pictures.sh cannot silently change a
// size, a bit depth or the transparent-colour convention.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <jpeglib.h>

#ifndef CORVANE_ASSETS_DIR
#error "CORVANE_ASSETS_DIR must name the assets directory"
#endif

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};

std::ostream& operator<<(std::ostream& os, const Rgb& c)
{
    return os << "rgb(" << c.r << ',' << c.g << ',' << c.b << ')';
}

std::string assetPath(const std::string& name)
{
    return std::string(CORVANE_ASSETS_DIR) + "/" + name;
}

Bytes readAsset(const std::string& name)
{
    std::ifstream in(assetPath(name), std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::uint32_t le16(const Bytes& b, std::size_t at)
{
    return b.at(at) | (b.at(at + 1) << 8);
}

std::uint32_t le32(const Bytes& b, std::size_t at)
{
    return le16(b, at) | (le16(b, at + 2) << 16);
}

std::int32_t le32s(const Bytes& b, std::size_t at)
{
    return static_cast<std::int32_t>(le32(b, at));
}

// Bytes per row in a DIB: rows are padded to whole 32-bit words.
std::size_t dibStride(int width, int bpp)
{
    return ((static_cast<std::size_t>(width) * bpp + 31) / 32) * 4;
}

// ---------------------------------------------------------------- BMP files

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiBitfields = 3;

struct Bmp {
    Bytes data;
    std::uint32_t pixelOffset = 0;
    std::uint32_t headerSize = 0;
    std::int32_t width = 0;
    std::int32_t height = 0; // as stored: positive means bottom-up rows
    std::uint32_t bpp = 0;
    std::uint32_t compression = 0;
    std::uint32_t coloursUsed = 0;

    int rows() const { return height < 0 ? -height : height; }

    // Byte offset of pixel row y, counted from the top of the picture.
    std::size_t rowAt(int y) const
    {
        const int stored = height > 0 ? rows() - 1 - y : y;
        return pixelOffset + stored * dibStride(width, bpp);
    }

    Rgb pixel24(int x, int y) const
    {
        const std::size_t p = rowAt(y) + 3 * x;
        return {data.at(p + 2), data.at(p + 1), data.at(p)};
    }

    // 16 bpp pixel widened to 8 bits a channel by shifting, the way Qt's
    // reader widens 5-bit fields.
    Rgb pixel16(int x, int y) const
    {
        const std::uint32_t v = le16(data, rowAt(y) + 2 * x);
        std::uint32_t rm = 0x7c00, gm = 0x03e0, bm = 0x001f;
        if (compression == kBiBitfields) {
            rm = le32(data, 14 + headerSize);
            gm = le32(data, 18 + headerSize);
            bm = le32(data, 22 + headerSize);
        }
        auto widen = [v](std::uint32_t mask) {
            int shift = 0;
            while (!(mask & 1)) {
                mask >>= 1;
                ++shift;
            }
            int bits = 0;
            while (mask & 1) {
                mask >>= 1;
                ++bits;
            }
            return static_cast<int>(((v >> shift) & ((1u << bits) - 1)) << (8 - bits));
        };
        return {widen(rm), widen(gm), widen(bm)};
    }

    bool bit(int x, int y) const { return (data.at(rowAt(y) + x / 8) >> (7 - x % 8)) & 1; }

    Rgb paletteEntry(int i) const
    {
        const std::size_t p = 14 + headerSize + 4 * i;
        return {data.at(p + 2), data.at(p + 1), data.at(p)};
    }
};

// Reads the file headers and checks the parts every shipped BMP shares.
::testing::AssertionResult loadBmp(const std::string& name, Bmp& bmp)
{
    bmp.data = readAsset(name);
    const Bytes& d = bmp.data;
    if (d.size() < 54)
        return ::testing::AssertionFailure() << name << ": missing or too short (" << d.size() << " bytes)";
    if (d[0] != 'B' || d[1] != 'M')
        return ::testing::AssertionFailure() << name << ": no BM signature";
    if (le32(d, 2) != d.size())
        return ::testing::AssertionFailure()
               << name << ": file size field " << le32(d, 2) << " but file has " << d.size() << " bytes";
    bmp.pixelOffset = le32(d, 10);
    bmp.headerSize = le32(d, 14);
    bmp.width = le32s(d, 18);
    bmp.height = le32s(d, 22);
    bmp.bpp = le16(d, 28);
    bmp.compression = le32(d, 30);
    bmp.coloursUsed = le32(d, 46);
    if (bmp.headerSize < 40)
        return ::testing::AssertionFailure() << name << ": header size " << bmp.headerSize;
    if (le16(d, 26) != 1)
        return ::testing::AssertionFailure() << name << ": planes " << le16(d, 26);
    if (bmp.width <= 0 || bmp.height == 0)
        return ::testing::AssertionFailure() << name << ": bad size " << bmp.width << 'x' << bmp.height;
    const std::size_t need = bmp.pixelOffset + dibStride(bmp.width, bmp.bpp) * bmp.rows();
    if (bmp.compression != kBiRgb && bmp.compression != kBiBitfields)
        return ::testing::AssertionFailure() << name << ": compressed (" << bmp.compression << ")";
    if (need > d.size())
        return ::testing::AssertionFailure()
               << name << ": pixel data needs " << need << " bytes, file has " << d.size();
    return ::testing::AssertionSuccess();
}

// A 24-bit picture in the plainest form: 40-byte header, BI_RGB, no palette.
void expectPlain24(const Bmp& bmp, int width, int height)
{
    EXPECT_EQ(bmp.headerSize, 40u);
    EXPECT_EQ(bmp.width, width);
    EXPECT_EQ(bmp.height, height) << "expected bottom-up rows";
    EXPECT_EQ(bmp.bpp, 24u);
    EXPECT_EQ(bmp.compression, kBiRgb);
    EXPECT_EQ(bmp.pixelOffset, 54u);
}

int luminance(const Rgb& c)
{
    return (299 * c.r + 587 * c.g + 114 * c.b) / 1000;
}

// ------------------------------------------------------------ button glyphs

struct GlyphCase {
    const char* file;
    int width;
    int height;
    Rgb background;
};

const GlyphCase kGlyphs[] = {
    {"glyphs/speedbutton1.bmp", 33, 37, {255, 255, 255}},
    {"glyphs/speedbutton2.bmp", 35, 36, {255, 255, 255}},
    {"glyphs/speedbutton3.bmp", 40, 38, {255, 255, 255}},
    {"glyphs/speedbutton4.bmp", 32, 33, {255, 248, 255}},
    {"glyphs/speedbutton5.bmp", 27, 25, {255, 248, 255}},
    {"glyphs/speedbutton6.bmp", 32, 32, {255, 248, 255}},
};

TEST(Glyphs, TrueColourWithLowerLeftKeyColourAndCleanBorder)
{
    for (const GlyphCase& c : kGlyphs) {
        SCOPED_TRACE(c.file);
        Bmp bmp;
        ASSERT_TRUE(loadBmp(c.file, bmp));
        expectPlain24(bmp, c.width, c.height);
        if (bmp.width != c.width || bmp.rows() != c.height || bmp.bpp != 24)
            continue;

        // The first stored row is the bottom one, so the key colour the
        // button takes as transparent is the first pixel of the data.
        const Rgb firstStored{bmp.data[56], bmp.data[55], bmp.data[54]};
        EXPECT_EQ(firstStored, c.background) << "lower-left pixel";
        EXPECT_EQ(bmp.pixel24(0, c.height - 1), c.background);

        int borderStrays = 0;
        int drawn = 0;
        for (int y = 0; y < c.height; ++y) {
            for (int x = 0; x < c.width; ++x) {
                const bool edge = x == 0 || y == 0 || x == c.width - 1 || y == c.height - 1;
                const bool isBackground = bmp.pixel24(x, y) == c.background;
                if (edge && !isBackground)
                    ++borderStrays;
                if (!isBackground)
                    ++drawn;
            }
        }
        EXPECT_EQ(borderStrays, 0) << "the outer ring must be solid background";
        // A glyph that came out empty or as a solid block is a broken render.
        const int area = c.width * c.height;
        EXPECT_GT(drawn, area / 5);
        EXPECT_LT(drawn, area * 9 / 10);
    }
}

// ------------------------------------------------------------ menu pictures

const Rgb kSilver{192, 192, 192};

TEST(MenuPictures, SixteenBitPicturesWithOneBitMasks)
{
    for (int i = 0; i < 9; ++i) {
        const std::string picName = "menu/image" + std::to_string(i) + ".bmp";
        const std::string maskName = "menu/image" + std::to_string(i) + "-mask.bmp";
        SCOPED_TRACE(picName);

        Bmp pic;
        Bmp mask;
        ASSERT_TRUE(loadBmp(picName, pic));
        ASSERT_TRUE(loadBmp(maskName, mask));

        EXPECT_EQ(pic.width, 32);
        EXPECT_EQ(pic.rows(), 32);
        EXPECT_EQ(pic.bpp, 16u);
        if (pic.compression == kBiBitfields) {
            // The three channel masks follow a 40-byte header; without them
            // a reader takes pixel data for masks.
            EXPECT_GE(pic.pixelOffset, 14 + pic.headerSize + 12);
        }

        EXPECT_EQ(mask.width, 32);
        EXPECT_EQ(mask.rows(), 32);
        EXPECT_EQ(mask.bpp, 1u);
        EXPECT_EQ(mask.compression, kBiRgb);
        if (pic.width != 32 || pic.rows() != 32 || pic.bpp != 16 || mask.width != 32 || mask.rows() != 32
            || mask.bpp != 1)
            continue;

        // Which palette index means white decides what a set bit means.
        ASSERT_GE(mask.pixelOffset, 14 + mask.headerSize + 8);
        const Rgb p0 = mask.paletteEntry(0);
        const Rgb p1 = mask.paletteEntry(1);
        const Rgb black{0, 0, 0}, white{255, 255, 255};
        ASSERT_TRUE((p0 == black && p1 == white) || (p0 == white && p1 == black))
            << "mask palette " << p0 << ", " << p1;
        const bool setBitIsWhite = p1 == white;

        int opaque = 0;
        int notSilverUnderMask = 0;
        for (int y = 0; y < 32; ++y) {
            for (int x = 0; x < 32; ++x) {
                const bool transparent = mask.bit(x, y) == setBitIsWhite;
                if (transparent) {
                    if (!(pic.pixel16(x, y) == kSilver))
                        ++notSilverUnderMask;
                } else {
                    ++opaque;
                }
            }
        }
        EXPECT_EQ(notSilverUnderMask, 0) << "masked-out pixels must be painted silver";
        EXPECT_EQ(mask.bit(0, 0), setBitIsWhite) << "top-left corner should be transparent";
        EXPECT_GT(opaque, 32 * 32 / 5) << "mask leaves too little of the picture";
        EXPECT_LT(opaque, 32 * 32) << "mask hides nothing";
    }
}

// --------------------------------------------------------- larger pictures

struct PictureCase {
    const char* file;
    int width;
    int height;
};

const PictureCase kPictures[] = {
    {"portrait.bmp", 135, 128},
    {"splash.bmp", 320, 240},
    {"cvlogo.bmp", 430, 370},
};

TEST(Pictures, TrueColourAtTheirSizes)
{
    for (const PictureCase& c : kPictures) {
        SCOPED_TRACE(c.file);
        Bmp bmp;
        ASSERT_TRUE(loadBmp(c.file, bmp));
        expectPlain24(bmp, c.width, c.height);
        if (bmp.width != c.width || bmp.rows() != c.height || bmp.bpp != 24)
            continue;
        std::set<std::uint32_t> colours;
        for (int y = 0; y < c.height; y += 3)
            for (int x = 0; x < c.width; x += 3) {
                const Rgb p = bmp.pixel24(x, y);
                colours.insert(p.r << 16 | p.g << 8 | p.b);
            }
        EXPECT_GT(colours.size(), 16u) << "looks blank";
    }
}

TEST(Pictures, SplashKeepsItsCutOffRowsEmpty)
{
    // The splash box is 225 rows high, so rows 225..239 never show. Only
    // smooth background may live there: no edges such as text or lines.
    Bmp bmp;
    ASSERT_TRUE(loadBmp("splash.bmp", bmp));
    ASSERT_EQ(bmp.bpp, 24u);
    ASSERT_EQ(bmp.rows(), 240);
    int worst = 0;
    for (int y = 225; y < 240; ++y) {
        for (int x = 1; x < bmp.width; ++x) {
            const int step = std::abs(luminance(bmp.pixel24(x, y)) - luminance(bmp.pixel24(x - 1, y)));
            worst = std::max(worst, step);
        }
    }
    EXPECT_LE(worst, 12) << "something is drawn in the rows the splash box cuts off";
}

TEST(Pictures, WelcomeBackgroundStaysPale)
{
    // Dark text goes straight on top of it.
    Bmp bmp;
    ASSERT_TRUE(loadBmp("cvlogo.bmp", bmp));
    ASSERT_EQ(bmp.bpp, 24u);
    int darkest = 255;
    for (int y = 0; y < bmp.rows(); ++y)
        for (int x = 0; x < bmp.width; ++x)
            darkest = std::min(darkest, luminance(bmp.pixel24(x, y)));
    EXPECT_GE(darkest, 210);
}

// ---------------------------------------------------------------- the icon

TEST(Icon, SixBitmapEntriesThreeSizesTwoDepths)
{
    const Bytes d = readAsset("corvane.ico");
    ASSERT_GE(d.size(), 6u) << "corvane.ico missing";
    EXPECT_EQ(le16(d, 0), 0u);
    EXPECT_EQ(le16(d, 2), 1u) << "resource type must be icon";
    const unsigned count = le16(d, 4);
    ASSERT_EQ(count, 6u);
    ASSERT_GE(d.size(), 6u + 16u * count);

    std::set<std::pair<int, int>> seen; // (size, bpp)
    for (unsigned i = 0; i < count; ++i) {
        SCOPED_TRACE("entry " + std::to_string(i));
        const std::size_t e = 6 + 16 * i;
        const int size = d[e] ? d[e] : 256;
        EXPECT_EQ(d[e + 1] ? d[e + 1] : 256, size) << "not square";
        const std::uint32_t length = le32(d, e + 8);
        const std::uint32_t offset = le32(d, e + 12);
        ASSERT_LE(static_cast<std::size_t>(offset) + length, d.size());

        // The directory's own bit count is only a hint; the DIB header is
        // what a reader decodes.
        ASSERT_GE(length, 40u);
        ASSERT_EQ(le32(d, offset), 40u) << "expected a BITMAPINFOHEADER, not PNG";
        EXPECT_EQ(le32s(d, offset + 4), size);
        EXPECT_EQ(le32s(d, offset + 8), 2 * size) << "height covers colour and mask";
        const int bpp = static_cast<int>(le16(d, offset + 14));
        EXPECT_EQ(le32(d, offset + 16), kBiRgb);
        seen.insert({size, bpp});

        std::uint32_t paletteEntries = 0;
        if (bpp == 8) {
            paletteEntries = le32(d, offset + 32) ? le32(d, offset + 32) : 256;
            EXPECT_LE(paletteEntries, 256u);
        }
        const std::size_t colourStart = offset + 40 + 4 * paletteEntries;
        const std::size_t maskStart = colourStart + dibStride(size, bpp) * size;
        const std::size_t end = maskStart + dibStride(size, 1) * size;
        ASSERT_EQ(end, static_cast<std::size_t>(offset) + length) << "entry length";

        // Rows are bottom-up: the first mask row is the bottom one. The
        // background is transparent, so its corners are masked out.
        const std::size_t maskStride = dibStride(size, 1);
        const std::size_t topRow = maskStart + (size - 1) * maskStride;
        EXPECT_TRUE(d[maskStart] & 0x80) << "bottom-left should be transparent";
        EXPECT_TRUE(d[topRow] & 0x80) << "top-left should be transparent";
        int masked = 0;
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
                masked += (d[maskStart + y * maskStride + x / 8] >> (7 - x % 8)) & 1;
        EXPECT_GT(masked, 0);
        EXPECT_LT(masked, size * size / 2 + size * size / 4) << "too little is drawn";

        if (bpp == 32) {
            const std::size_t stride = dibStride(size, 32);
            EXPECT_EQ(d[colourStart + 3], 0) << "bottom-left alpha";
            EXPECT_EQ(d[colourStart + (size - 1) * stride + 3], 0) << "top-left alpha";
            int solid = 0;
            for (int p = 0; p < size * size; ++p)
                solid += d[colourStart + 4 * p + 3] == 255;
            EXPECT_GT(solid, size * size / 4);
        }
    }
    const std::set<std::pair<int, int>> expected{{48, 8}, {48, 32}, {32, 8}, {32, 32}, {16, 8}, {16, 32}};
    EXPECT_EQ(seen, expected);
}

// ---------------------------------------------------------------- the logo

struct JpegFailure {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

// Keeps the first warning's text; trace messages and later warnings would
// overwrite the message code before the caller looks.
void jpegEmitMessage(j_common_ptr info, int level)
{
    if (level >= 0)
        return;
    auto* failure = reinterpret_cast<JpegFailure*>(info->err);
    if (failure->base.num_warnings++ == 0)
        info->err->format_message(info, failure->message);
}

void jpegErrorExit(j_common_ptr info)
{
    auto* failure = reinterpret_cast<JpegFailure*>(info->err);
    info->err->format_message(info, failure->message);
    std::longjmp(failure->jump, 1);
}

struct JpegFacts {
    JDIMENSION width = 0;
    JDIMENSION height = 0;
    int components = 0;
    int precision = 0;
    J_COLOR_SPACE colourSpace = JCS_UNKNOWN;
    bool progressive = false;
    bool multiScan = false;
    std::array<std::pair<int, int>, 3> sampling{}; // (h, v) per component
    std::vector<Rgb> pixels;
};

// Decodes the whole file; libjpeg errors come back as a failure instead of
// ending the process.
::testing::AssertionResult readJpeg(const Bytes& file, JpegFacts& out)
{
    jpeg_decompress_struct info{};
    JpegFailure failure{};
    info.err = jpeg_std_error(&failure.base);
    failure.base.error_exit = jpegErrorExit;
    failure.base.emit_message = jpegEmitMessage;
    if (setjmp(failure.jump)) {
        jpeg_destroy_decompress(&info);
        return ::testing::AssertionFailure() << "libjpeg: " << failure.message;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, file.data(), static_cast<unsigned long>(file.size()));
    jpeg_read_header(&info, TRUE);

    out.width = info.image_width;
    out.height = info.image_height;
    out.components = info.num_components;
    out.precision = info.data_precision;
    out.colourSpace = info.jpeg_color_space;
    out.progressive = info.progressive_mode;
    out.multiScan = jpeg_has_multiple_scans(&info);
    for (int c = 0; c < info.num_components && c < 3; ++c)
        out.sampling[c] = {info.comp_info[c].h_samp_factor, info.comp_info[c].v_samp_factor};

    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    std::vector<JSAMPLE> row(info.output_width * info.output_components);
    while (info.output_scanline < info.output_height) {
        JSAMPROW rows[] = {row.data()};
        jpeg_read_scanlines(&info, rows, 1);
        for (JDIMENSION x = 0; x < info.output_width; ++x)
            out.pixels.push_back({row[3 * x], row[3 * x + 1], row[3 * x + 2]});
    }
    jpeg_finish_decompress(&info);
    // libjpeg only warns about damaged or cut-off data and pads the picture,
    // which would let a broken file through.
    const long warnings = failure.base.num_warnings;
    jpeg_destroy_decompress(&info);
    if (warnings)
        return ::testing::AssertionFailure() << "libjpeg warned: " << failure.message;
    return ::testing::AssertionSuccess();
}

TEST(Logo, ProgressiveYCbCr420At100x102)
{
    const Bytes file = readAsset("logo.jpg");
    ASSERT_FALSE(file.empty()) << "logo.jpg missing";
    JpegFacts jpeg;
    ASSERT_TRUE(readJpeg(file, jpeg));

    EXPECT_EQ(jpeg.width, 100u);
    EXPECT_EQ(jpeg.height, 102u);
    EXPECT_EQ(jpeg.components, 3);
    EXPECT_EQ(jpeg.colourSpace, JCS_YCbCr);
    EXPECT_EQ(jpeg.precision, 8);
    EXPECT_TRUE(jpeg.progressive);
    EXPECT_TRUE(jpeg.multiScan);
    EXPECT_EQ(jpeg.sampling[0], std::make_pair(2, 2)) << "luma";
    EXPECT_EQ(jpeg.sampling[1], std::make_pair(1, 1)) << "Cb";
    EXPECT_EQ(jpeg.sampling[2], std::make_pair(1, 1)) << "Cr";
}

TEST(Logo, RedSummitGreenSlopesBlueNameOnWhite)
{
    JpegFacts jpeg;
    ASSERT_TRUE(readJpeg(readAsset("logo.jpg"), jpeg));
    ASSERT_EQ(jpeg.pixels.size(), std::size_t(jpeg.width) * jpeg.height);
    auto at = [&](int x, int y) { return jpeg.pixels[y * jpeg.width + x]; };

    for (const auto& corner :
         {at(0, 0), at(jpeg.width - 1, 0), at(0, jpeg.height - 1), at(jpeg.width - 1, jpeg.height - 1)})
        EXPECT_GE(luminance(corner), 245) << corner;

    // Count clearly coloured pixels per half: mountain above, name below.
    auto stands_out = [](int v, int other1, int other2) {
        return v > 100 && v > other1 + 60 && v > other2 + 60;
    };
    int redTop = 0, greenTop = 0, blueBottom = 0;
    const int half = static_cast<int>(jpeg.height) * 6 / 10;
    for (int y = 0; y < static_cast<int>(jpeg.height); ++y) {
        for (int x = 0; x < static_cast<int>(jpeg.width); ++x) {
            const Rgb p = at(x, y);
            if (y < half) {
                redTop += stands_out(p.r, p.g, p.b);
                greenTop += stands_out(p.g, p.r, p.b);
            } else {
                blueBottom += stands_out(p.b, p.r, p.g);
            }
        }
    }
    EXPECT_GT(redTop, 100);
    EXPECT_GT(greenTop, 1000);
    EXPECT_GT(blueBottom, 400);
}

TEST(Logo, BrokenFileIsReportedNotFatal)
{
    // A damaged file must fail the check rather than end the test run or
    // decode as a padded picture.
    const Bytes whole = readAsset("logo.jpg");
    ASSERT_GT(whole.size(), 200u);
    const std::size_t cuts[] = {20, whole.size() / 2};
    for (std::size_t cut : cuts) {
        SCOPED_TRACE("cut at " + std::to_string(cut));
        const Bytes file(whole.begin(), whole.begin() + cut);
        JpegFacts jpeg;
        EXPECT_FALSE(readJpeg(file, jpeg));
    }
}

} // namespace
