#include <gtest/gtest.h>

#include <QBuffer>
#include <QImageReader>
#include <random>

#include "ui/GifWriter.h"

namespace ostrel::test {
namespace {

// Decodes `gif` with Qt's reader: every frame as ARGB pixels.
std::vector<QImage> Decode(const QByteArray& gif) {
    QBuffer buffer;
    buffer.setData(gif);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "gif");
    std::vector<QImage> frames;
    for (QImage frame; reader.read(&frame);) {
        frames.push_back(frame.convertToFormat(QImage::Format_ARGB32));
    }
    return frames;
}

// What a pixel must look like: its index's palette colour, or any colour with no opacity
// where the index is the transparent one.
QRgb Expected(const ui::GifAnimation& animation, std::uint8_t index, QRgb decoded) {
    if (index == animation.transparentIndex) {
        return qAlpha(decoded) == 0 ? decoded : 0;
    }
    return animation.palette[index] | 0xFF000000u;
}

// Qt's decoder reads back the pixels written, including past a full 12-bit code table.
TEST(GifWriterTest, DecodesToThePixelsWritten) {
    const struct {
        int colours;
        QSize size;
        int transparent;
        bool noisy;  // random pixels (the table fills fast) or long runs (long strings)
    } rows[] = {{2, {7, 5}, -1, true}, {256, {200, 150}, -1, true}, {256, {300, 300}, 3, false}};
    std::mt19937 random(7);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.colours);
        ui::GifAnimation animation;
        animation.size = row.size;
        animation.transparentIndex = row.transparent;
        for (int i = 0; i < row.colours; ++i) {
            animation.palette.append(qRgb(i, 255 - i, (i * 37) % 256));
        }
        for (int f = 0; f < 3; ++f) {
            std::vector<std::uint8_t> pixels(static_cast<std::size_t>(row.size.width()) *
                                             row.size.height());
            for (std::size_t i = 0; i < pixels.size(); ++i) {
                pixels[i] = static_cast<std::uint8_t>(row.noisy ? random() % row.colours
                                                                : (i / 97 + f) % row.colours);
            }
            animation.frames.push_back(pixels);
        }

        const std::vector<QImage> frames = Decode(ui::EncodeGif(animation));

        ASSERT_EQ(frames.size(), animation.frames.size());
        for (std::size_t f = 0; f < frames.size(); ++f) {
            ASSERT_EQ(frames[f].size(), row.size);
            for (int y = 0; y < row.size.height(); ++y) {
                for (int x = 0; x < row.size.width(); ++x) {
                    const std::uint8_t index = animation.frames[f][y * row.size.width() + x];
                    ASSERT_EQ(frames[f].pixel(x, y),
                              Expected(animation, index, frames[f].pixel(x, y)))
                        << "frame " << f << " at " << x << "," << y;
                }
            }
        }
    }
}

}  // namespace
}  // namespace ostrel::test
