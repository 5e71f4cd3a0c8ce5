#include "ui/GifWriter.h"

#include <algorithm>
#include <unordered_map>

namespace ostrel::ui {
namespace {

constexpr int kMaxCode = 4095;  // codes are at most 12 bits

// Collects codes of varying width, least significant bit first.
class BitWriter {
  public:
    void Put(unsigned code, int bits) {
        m_buffer |= static_cast<std::uint32_t>(code) << m_count;
        m_count += bits;
        while (m_count >= 8) {
            m_bytes.append(static_cast<char>(m_buffer & 0xFF));
            m_buffer >>= 8;
            m_count -= 8;
        }
    }
    QByteArray Finish() {
        if (m_count > 0) {
            m_bytes.append(static_cast<char>(m_buffer & 0xFF));
        }
        return m_bytes;
    }

  private:
    QByteArray m_bytes;
    std::uint32_t m_buffer = 0;
    int m_count = 0;
};

void PutWord(QByteArray& out, int value) {
    out.append(static_cast<char>(value & 0xFF));
    out.append(static_cast<char>((value >> 8) & 0xFF));
}

void PutByte(QByteArray& out, int value) {
    out.append(static_cast<char>(value & 0xFF));
}

// Bits per palette entry for a table of at least `colours` entries (at least 2 bits, as the
// image data's minimum code size must be).
int TableBits(int colours) {
    int bits = 2;
    while ((1 << bits) < colours) {
        ++bits;
    }
    return bits;
}

}  // namespace

QByteArray LzwEncode(const std::vector<std::uint8_t>& indices, int minCodeSize) {
    const unsigned clear = 1u << minCodeSize;
    const unsigned end = clear + 1;
    BitWriter out;
    int codeSize = minCodeSize + 1;
    unsigned lastCode = end;  // the highest code in the table
    // (prefix code << 8 | next index) -> code of that string.
    std::unordered_map<std::uint32_t, std::uint16_t> table;
    out.Put(clear, codeSize);
    if (indices.empty()) {
        out.Put(end, codeSize);
        return out.Finish();
    }
    unsigned prefix = indices[0];
    for (std::size_t i = 1; i < indices.size(); ++i) {
        const std::uint32_t key = (prefix << 8) | indices[i];
        if (const auto found = table.find(key); found != table.end()) {
            prefix = found->second;
            continue;
        }
        out.Put(prefix, codeSize);
        table.emplace(key, static_cast<std::uint16_t>(++lastCode));
        // The decoder widens its codes when its table reaches the next power of two; it adds
        // each string one code later than the encoder, hence the comparison with lastCode.
        if (lastCode >= (1u << codeSize) && codeSize < 12) {
            ++codeSize;
        }
        if (lastCode == kMaxCode) {
            out.Put(clear, codeSize);
            table.clear();
            codeSize = minCodeSize + 1;
            lastCode = end;
        }
        prefix = indices[i];
    }
    out.Put(prefix, codeSize);
    out.Put(end, codeSize);
    return out.Finish();
}

QByteArray EncodeGif(const GifAnimation& animation) {
    const int bits = TableBits(static_cast<int>(animation.palette.size()));
    QByteArray out("GIF89a");
    PutWord(out, animation.size.width());
    PutWord(out, animation.size.height());
    PutByte(out, 0x80 | 0x70 | (bits - 1));                 // global table, 8-bit colour resolution
    PutByte(out, std::max(animation.transparentIndex, 0));  // background
    PutByte(out, 0);                                        // square pixels
    for (int i = 0; i < (1 << bits); ++i) {
        const QRgb colour = i < animation.palette.size() ? animation.palette[i] : 0;
        PutByte(out, qRed(colour));
        PutByte(out, qGreen(colour));
        PutByte(out, qBlue(colour));
    }
    // Loop forever.
    out.append("\x21\xFF\x0BNETSCAPE2.0\x03\x01", 16);
    PutWord(out, 0);
    PutByte(out, 0);
    for (const auto& frame : animation.frames) {
        // Graphic control: restore to background after the frame, its delay, transparency.
        PutByte(out, 0x21);
        PutByte(out, 0xF9);
        PutByte(out, 4);
        PutByte(out, (2 << 2) | (animation.transparentIndex >= 0 ? 1 : 0));
        PutWord(out, animation.delay);
        PutByte(out, std::max(animation.transparentIndex, 0));
        PutByte(out, 0);
        // The image: the whole picture, no table of its own, not interlaced.
        PutByte(out, 0x2C);
        PutWord(out, 0);
        PutWord(out, 0);
        PutWord(out, animation.size.width());
        PutWord(out, animation.size.height());
        PutByte(out, 0);
        PutByte(out, bits);
        const QByteArray data = LzwEncode(frame, bits);
        for (qsizetype at = 0; at < data.size(); at += 255) {
            const qsizetype length = std::min<qsizetype>(255, data.size() - at);
            PutByte(out, static_cast<int>(length));
            out.append(data.constData() + at, length);
        }
        PutByte(out, 0);
    }
    PutByte(out, 0x3B);
    return out;
}

}  // namespace ostrel::ui
