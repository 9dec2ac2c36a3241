// libjpeg behind a target interface; its errors jump back into DecodeFrame.
#include "classlib/JpegDecode.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>

namespace cl::pictures {

namespace {

struct JpegError {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void OnJpegError(j_common_ptr info)
{
    auto* e = reinterpret_cast<JpegError*>(info->err);
    info->err->format_message(info, e->message);
    std::longjmp(e->jump, 1);
}

void OnJpegMessage(j_common_ptr) {} // warnings: the image decodes anyway

// libjpeg reports errors by jumping back here, so nothing in this frame has a destructor.
bool DecodeFrame(const std::uint8_t* data, std::size_t size, JpegTarget& target, char* message)
{
    jpeg_decompress_struct info;
    JpegError err;
    info.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = OnJpegError;
    err.mgr.output_message = OnJpegMessage;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&info);
        std::strcpy(message, err.message);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_EXT_BGR; // DIB byte order
    // The target takes the size before libjpeg reserves its own buffers for the image.
    jpeg_calc_output_dimensions(&info);
    if (std::uint64_t(info.output_width) * info.output_height > MaxJpegPixels) {
        jpeg_destroy_decompress(&info);
        std::strcpy(message, "image too large");
        return false;
    }
    if (!target.Begin(static_cast<int>(info.output_width), static_cast<int>(info.output_height))) {
        jpeg_destroy_decompress(&info);
        std::strcpy(message, "Out of memory");
        return false;
    }
    jpeg_start_decompress(&info);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = target.Row(static_cast<int>(info.output_scanline));
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

} // namespace

bool DecodeJpeg(const std::uint8_t* data, std::size_t size, JpegTarget& target, std::string& error)
{
    if (size < 2 || data[0] != 0xFF || data[1] != 0xD8) {
        error = "no start of image";
        return false;
    }
    char message[JMSG_LENGTH_MAX] = "";
    if (DecodeFrame(data, size, target, message)) return true;
    error = message;
    return false;
}

} // namespace cl::pictures
