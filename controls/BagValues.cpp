#include "controls/BagValues.h"

#include <QBuffer>
#include <QVariantMap>

namespace ostrel::controls {

QVariant FontToBag(const QFont& font) {
    return QVariantMap{{"Name", font.family()},         {"Size", font.pointSizeF()},
                       {"Bold", font.bold()},           {"Italic", font.italic()},
                       {"Underline", font.underline()}, {"Strikethrough", font.strikeOut()}};
}

QFont FontFromBag(const QVariant& value, const QFont& base) {
    const QVariantMap map = value.toMap();
    QFont font = base;
    if (map.contains("Name")) {
        font.setFamily(map.value("Name").toString());
    }
    if (const double size = map.value("Size").toDouble(); size > 0) {
        font.setPointSizeF(size);
    }
    if (map.contains("Bold")) {
        font.setBold(map.value("Bold").toBool());
    }
    if (map.contains("Italic")) {
        font.setItalic(map.value("Italic").toBool());
    }
    if (map.contains("Underline")) {
        font.setUnderline(map.value("Underline").toBool());
    }
    if (map.contains("Strikethrough")) {
        font.setStrikeOut(map.value("Strikethrough").toBool());
    }
    return font;
}

QVariant PictureToBag(const QImage& picture) {
    if (picture.isNull()) {
        return QString();
    }
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "PNG");
    return QString::fromLatin1(png.toBase64());
}

QImage PictureFromBag(const QVariant& value) {
    const QByteArray text = value.toString().toLatin1();
    if (text.isEmpty()) {
        return {};
    }
    return QImage::fromData(QByteArray::fromBase64(text), "PNG");
}

}  // namespace ostrel::controls
