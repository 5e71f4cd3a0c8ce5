#pragma once

#include <QByteArray>
#include <QRgb>
#include <QSize>
#include <QVector>
#include <cstdint>
#include <vector>

namespace ostrel::ui {

// An animated GIF (GIF89a) of palette images that loops forever.
struct GifAnimation {
    QSize size;
    // Up to 256 colours; the table written is padded to a power of two.
    QVector<QRgb> palette;
    // The palette index shown transparent, or -1 for none.
    int transparentIndex = -1;
    // Time each frame is shown, in hundredths of a second.
    int delay = 8;
    // One palette index per pixel, row by row, size.width() * size.height() per frame.
    std::vector<std::vector<std::uint8_t>> frames;
};

// The file's bytes. Every frame covers the whole picture and is cleared before the next.
QByteArray EncodeGif(const GifAnimation& animation);

// The LZW code stream of `indices` with `minCodeSize` bits per literal, as GIF image data
// holds it (before it is cut into sub-blocks).
QByteArray LzwEncode(const std::vector<std::uint8_t>& indices, int minCodeSize);

}  // namespace ostrel::ui
