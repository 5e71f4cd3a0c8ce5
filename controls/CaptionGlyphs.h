#pragma once

#include <QImage>
#include <QSize>

namespace ostrel::controls {

// The three caption buttons of a title bar.
enum class GlyphKind { Close, Minimize, Maximize };

// A glyph's index is IconStyle * 10 + offset.
inline constexpr int kGlyphHover = 1;
inline constexpr int kGlyphNormal = 2;
inline constexpr int kGlyphDisabled = 3;
inline constexpr int kIconStyleCount = 3;

constexpr int GlyphIndex(int iconStyle, int offset) {
    return iconStyle * 10 + offset;
}

// The size of set `iconStyle`'s glyphs in pixels (16 x 16, 26 x 18, 20 x 14), or an empty size
// for a set that does not exist.
QSize CaptionGlyphSize(int iconStyle);

// Draws glyph `index` (1-3, 11-13, 21-23) of `kind` at the given device pixel ratio; a null image
// for an index without a glyph. Set 0 is a flat rounded outline with a small symbol, sets 1 and 2
// a bevelled blue-grey button with a white symbol; hover glyphs turn red.
QImage CaptionGlyph(GlyphKind kind, int index, qreal devicePixelRatio = 1.0);

}  // namespace ostrel::controls
