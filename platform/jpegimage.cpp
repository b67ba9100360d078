#include "platform/jpegimage.h"

#include "platform/errors.h"

#include <csetjmp>
#include <cstdio>
#include <new>
#include <string>

#include <jerror.h>
#include <jpeglib.h>

namespace corvane {
namespace {

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

extern "C" void onJpegError(j_common_ptr info)
{
    auto* manager = reinterpret_cast<ErrorManager*>(info->err);
    (*info->err->format_message)(info, manager->message);
    std::longjmp(manager->jump, 1);
}

// Warnings (a truncated file, say) are not worth a message of their own.
extern "C" void onJpegMessage(j_common_ptr)
{
}

// Releases libjpeg's state on every way out; a zeroed, never created decoder is safe to destroy.
struct Decompressor {
    jpeg_decompress_struct info{};
    ~Decompressor() { jpeg_destroy_decompress(&info); }
};

// The two steps below hold no objects with destructors, so libjpeg may longjmp back into them.
// Each returns false on a library error, whose text is then in manager.message.

// Reads the header and starts decoding; refuses dimensions over the limit before libjpeg
// allocates anything for the picture.
bool startDecoding(jpeg_decompress_struct& info, ErrorManager& manager, const std::uint8_t* data,
                   std::size_t size)
{
    if (setjmp(manager.jump))
        return false;
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, const_cast<unsigned char*>(data), static_cast<unsigned long>(size));
    jpeg_read_header(&info, TRUE);
    if (info.image_width > kMaxJpegDimension || info.image_height > kMaxJpegDimension) {
        info.err->msg_code = JERR_IMAGE_TOO_BIG;
        info.err->msg_parm.i[0] = static_cast<int>(kMaxJpegDimension);
        (*info.err->error_exit)(reinterpret_cast<j_common_ptr>(&info));
    }
    info.scale_num = 1;
    info.scale_denom = 1;
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    return true;
}

bool readRows(jpeg_decompress_struct& info, ErrorManager& manager, std::uint8_t* pixels, std::size_t stride)
{
    if (setjmp(manager.jump))
        return false;
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = pixels + static_cast<std::size_t>(info.output_scanline) * stride;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    return true;
}

} // namespace

RgbImage decodeJpeg(const std::uint8_t* data, std::size_t size)
{
    Decompressor decompressor;
    jpeg_decompress_struct& info = decompressor.info;
    ErrorManager manager{};
    info.err = jpeg_std_error(&manager.base);
    manager.base.error_exit = onJpegError;
    manager.base.output_message = onJpegMessage;

    if (!startDecoding(info, manager, data, size))
        throw JpegError(manager.message);
    RgbImage image;
    image.width = static_cast<int>(info.output_width);
    image.height = static_cast<int>(info.output_height);
    const std::size_t stride = static_cast<std::size_t>(info.output_width) * 3;
    try {
        image.pixels.resize(stride * info.output_height);
    } catch (const std::bad_alloc&) {
        throw JpegError("Insufficient memory for a " + std::to_string(image.width) + " x "
                        + std::to_string(image.height) + " picture");
    }
    if (!readRows(info, manager, image.pixels.data(), stride))
        throw JpegError(manager.message);
    return image;
}

} // namespace corvane
