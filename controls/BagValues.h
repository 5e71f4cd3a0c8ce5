#pragma once

#include <QFont>
#include <QImage>
#include <QVariant>

namespace ostrel::controls {

// Property values that have no JSON form of their own, in the form a property bag keeps them.

// A font as a map of "Name", "Size" (points), "Bold", "Italic", "Underline", "Strikethrough".
QVariant FontToBag(const QFont& font);
// The font a stored map describes; attributes the map lacks come from `base`.
QFont FontFromBag(const QVariant& value, const QFont& base);

// A picture as base-64 PNG text; no picture is the empty text.
QVariant PictureToBag(const QImage& picture);
// The stored picture, or a null image for empty or unreadable text.
QImage PictureFromBag(const QVariant& value);

}  // namespace ostrel::controls
