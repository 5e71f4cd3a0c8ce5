#pragma once

#include <QColor>
#include <QPalette>
#include <cstdint>

namespace ostrel::controls {

// Colours as the designs store them: 0x00BBGGRR, or 0x80000000 | index for system colour index.
using OleColor = std::uint32_t;

constexpr OleColor RGB(int r, int g, int b) {
    return static_cast<OleColor>(r) | (static_cast<OleColor>(g) << 8) |
           (static_cast<OleColor>(b) << 16);
}
inline constexpr OleColor kSystemColorFlag = 0x80000000u;
constexpr OleColor SystemColor(int index) {
    return kSystemColorFlag | static_cast<OleColor>(index);
}
inline constexpr int kColorButtonFace = 15;
inline constexpr int kColorButtonText = 18;

// The RGB value of `color`: plain values unchanged, system colours through the application
// palette. An index the palette has no role for, or any other high byte, translates to 0.
OleColor TranslateColor(OleColor color, const QPalette& palette);
// The same for the application's palette.
OleColor TranslateColor(OleColor color);

QColor ToQColor(OleColor rgb);
OleColor FromQColor(const QColor& color);

// Rounds to the nearest whole number, halves to the even neighbour.
int RoundHalfEven(double value);

}  // namespace ostrel::controls
