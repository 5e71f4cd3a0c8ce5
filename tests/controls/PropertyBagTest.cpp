#include "controls/PropertyBag.h"

#include <gtest/gtest.h>

#include <QJsonDocument>

#include "controls/Colors.h"

namespace ostrel::controls {
namespace {

TEST(PropertyBagTest, NamesIgnoreCaseDefaultsAreNotStoredAndMissingReadsDefault) {
    PropertyBag bag;
    bag.WriteProperty("Caption", "Go", "");
    bag.WriteProperty("Enabled", true, true);  // equal to the default: not stored
    EXPECT_EQ(bag.ReadProperty("CAPTION", "").toString(), "Go");
    EXPECT_FALSE(bag.Contains("enabled"));
    EXPECT_EQ(bag.ReadProperty("Enabled", false).toBool(), false);

    bag.WriteProperty("caption", "", "");  // back to the default under another spelling
    EXPECT_TRUE(bag.ToJson().isEmpty());
}

TEST(PropertyBagTest, NumbersFromJsonComeBackInTheDefaultsType) {
    const auto doc = QJsonDocument::fromJson(R"({"BackColor": 2147483663, "Max": 100})");
    PropertyBag bag(doc.object());
    EXPECT_EQ(bag.ReadProperty("BackColor", 0u).toUInt(), SystemColor(kColorButtonFace));
    EXPECT_EQ(bag.ReadProperty("max", 0).metaType(), QMetaType::fromType<int>());
}

TEST(ColorsTest, SystemColorsResolveThroughThePaletteAndHalvesRoundToEven) {
    QPalette palette;
    palette.setColor(QPalette::Active, QPalette::Button, QColor(1, 2, 3));
    EXPECT_EQ(TranslateColor(SystemColor(kColorButtonFace), palette), RGB(1, 2, 3));
    EXPECT_EQ(TranslateColor(RGB(9, 8, 7), palette), RGB(9, 8, 7));
    EXPECT_EQ(TranslateColor(0x40000001u, palette), 0u);
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(3.5), 4);
    EXPECT_EQ(RoundHalfEven(-0.5), 0);
}

}  // namespace
}  // namespace ostrel::controls
