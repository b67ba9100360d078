#include "platform/jpegimage.h"

#include "platform/errors.h"

#include <csetjmp>
#include <cstdio>
#include <string>

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
extern "C" void onJpegMessage(j_common_ptr) {}

// Holds no objects with destructors, so libjpeg may longjmp back into it. Returns false on
// a library error, whose text is then in manager.message.
bool decodeInto(jpeg_decompress_struct& info, ErrorManager& manager, const std::uint8_t* data,
                std::size_t size, RgbImage& image)
{
    if (setjmp(manager.jump))
        return false;
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, const_cast<unsigned char*>(data), static_cast<unsigned long>(size));
    jpeg_read_header(&info, TRUE);
    info.scale_num = 1;
    info.scale_denom = 1;
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    image.width = static_cast<int>(info.output_width);
    image.height = static_cast<int>(info.output_height);
    image.pixels.resize(static_cast<std::size_t>(image.width) * image.height * 3);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = image.pixels.data()
                       + static_cast<std::size_t>(info.output_scanline) * image.width * 3;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    return true;
}

} // namespace

RgbImage decodeJpeg(const std::uint8_t* data, std::size_t size)
{
    jpeg_decompress_struct info {};
    ErrorManager manager {};
    info.err = jpeg_std_error(&manager.base);
    manager.base.error_exit = onJpegError;
    manager.base.output_message = onJpegMessage;

    RgbImage image;
    const bool ok = decodeInto(info, manager, data, size, image);
    jpeg_destroy_decompress(&info);
    if (!ok)
        throw JpegError(manager.message);
    return image;
}

} // namespace corvane
