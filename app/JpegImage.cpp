#include "app/JpegImage.h"

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>

namespace orvek::ui {

namespace {

// Large enough for any picture the program shows, small enough that a forged header cannot
// make it allocate gigabytes.
constexpr std::uint64_t kMaxPixels = std::uint64_t{1} << 26;

struct JpegErrors {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

// libjpeg's own error handler ends the process; ours returns to the decoder instead.
[[noreturn]] void jumpBack(j_common_ptr info) {
    std::longjmp(reinterpret_cast<JpegErrors*>(info->err)->jump, 1);
}

void ignoreMessage(j_common_ptr) {}

} // namespace

QImage decodeJpeg(const QByteArray& bytes) {
    if (bytes.size() < 4) {
        return QImage();
    }
    jpeg_decompress_struct info;
    JpegErrors errors;
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = jumpBack;
    errors.manager.output_message = ignoreMessage;
    unsigned char* volatile pixels = nullptr;
    if (setjmp(errors.jump) != 0) {
        std::free(pixels);
        jpeg_destroy_decompress(&info);
        return QImage();
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.constData()),
                 static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&info, TRUE);
    const std::uint64_t area = std::uint64_t{info.image_width} * info.image_height;
    if (area == 0 || area > kMaxPixels) {
        jpeg_destroy_decompress(&info);
        return QImage();
    }
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    const JDIMENSION width = info.output_width;
    const JDIMENSION height = info.output_height;
    const size_t stride = size_t{width} * 3;
    if (info.output_components != 3) {
        jpeg_destroy_decompress(&info);
        return QImage();
    }
    pixels = static_cast<unsigned char*>(std::malloc(stride * height));
    if (pixels == nullptr) {
        jpeg_destroy_decompress(&info);
        return QImage();
    }
    while (info.output_scanline < height) {
        JSAMPROW row = pixels + size_t{info.output_scanline} * stride;
        if (jpeg_read_scanlines(&info, &row, 1) != 1) {
            break;
        }
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);

    QImage image(static_cast<int>(width), static_cast<int>(height), QImage::Format_RGB888);
    if (!image.isNull()) {
        for (JDIMENSION y = 0; y < height; ++y) {
            std::memcpy(image.scanLine(static_cast<int>(y)), pixels + size_t{y} * stride, stride);
        }
    }
    std::free(pixels);
    return image;
}

} // namespace orvek::ui
