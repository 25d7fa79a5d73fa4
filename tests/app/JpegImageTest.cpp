#include "app/JpegImage.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

namespace orvek::test {

namespace {

// A small JPEG made with libjpeg itself: the left half red, the right half blue.
QByteArray encodeTestPicture(int width, int height) {
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 95, TRUE);
    jpeg_start_compress(&info, TRUE);
    std::vector<unsigned char> row(static_cast<size_t>(width) * 3);
    for (int x = 0; x < width; ++x) {
        const bool left = x < width / 2;
        row[static_cast<size_t>(x) * 3] = left ? 255 : 0;
        row[static_cast<size_t>(x) * 3 + 1] = 0;
        row[static_cast<size_t>(x) * 3 + 2] = left ? 0 : 255;
    }
    while (info.next_scanline < info.image_height) {
        JSAMPROW line = row.data();
        jpeg_write_scanlines(&info, &line, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    QByteArray bytes(reinterpret_cast<const char*>(buffer), static_cast<qsizetype>(size));
    std::free(buffer);
    return bytes;
}

TEST(JpegImage, DecodesThePictureAtItsSize) {
    const QImage image = ui::decodeJpeg(encodeTestPicture(129, 58));
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(129, 58));
    const QColor left = image.pixelColor(10, 29);
    const QColor right = image.pixelColor(120, 29);
    EXPECT_GT(left.red(), 200);
    EXPECT_LT(left.blue(), 60);
    EXPECT_GT(right.blue(), 200);
    EXPECT_LT(right.red(), 60);
}

TEST(JpegImage, DamagedOrHostileDataGivesNoPictureAndNoCrash) {
    EXPECT_TRUE(ui::decodeJpeg(QByteArray()).isNull());
    EXPECT_TRUE(ui::decodeJpeg(QByteArray("not a picture at all")).isNull());
    const QByteArray good = encodeTestPicture(64, 32);
    // Cut short: libjpeg fills the missing part, or gives up; either way no crash.
    for (qsizetype cut : {qsizetype{2}, qsizetype{20}, good.size() / 2, good.size() - 3}) {
        const QImage image = ui::decodeJpeg(good.left(cut));
        EXPECT_TRUE(image.isNull() || image.size() == QSize(64, 32)) << cut;
    }
    // A header claiming an enormous picture is refused before anything is allocated.
    QByteArray forged = good;
    const qsizetype sof = forged.indexOf(QByteArray("\xFF\xC0", 2));
    ASSERT_GT(sof, 0);
    forged[sof + 5] = '\xFF';
    forged[sof + 6] = '\xFF';
    forged[sof + 7] = '\xFF';
    forged[sof + 8] = '\xFF';
    EXPECT_TRUE(ui::decodeJpeg(forged).isNull());
    // Flipped bytes all through the data.
    for (qsizetype i = 0; i < good.size(); i += 7) {
        QByteArray noisy = good;
        noisy[i] = static_cast<char>(noisy[i] ^ 0x5A);
        const QImage image = ui::decodeJpeg(noisy);
        EXPECT_TRUE(image.isNull() || image.width() > 0);
    }
}

} // namespace

} // namespace orvek::test
