#include <gtest/gtest.h>

#include <memory>
#include <type_traits>
#include <utility>

#include "controls/Colors.h"
#include "controls/PropertyBag.h"
#include "controls/TitelBar.h"
#include "controls/VistaButton.h"
#include "controls/xFrame.h"
#include "tests/controls/Support.h"

namespace ostrel::controls {
namespace {

using testing::Bag;
using testing::Shot;

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

// Writes `original`'s design as JSON text and reads it into a new control at the same place; the
// copy must write the same design and look the same. Returns the design and the copy.
template <typename Control>
std::pair<PropertyBag, std::unique_ptr<Control>> ExpectTheSameAfterReading(Control& original) {
    SCOPED_TRACE(original.metaObject()->className());
    PropertyBag design, again;
    original.WriteProperties(design);
    const PropertyBag text = Bag(QJsonDocument(design.ToJson()).toJson());
    std::unique_ptr<Control> copy;
    if constexpr (std::is_same_v<Control, xFrame>) {
        copy = std::make_unique<xFrame>(original.objectName(), text, original.parentWidget());
    } else {
        copy = std::make_unique<Control>(original.parentWidget());
        copy->ReadProperties(text);
    }
    copy->setGeometry(original.geometry());
    copy->WriteProperties(again);
    EXPECT_EQ(again.ToJson(), design.ToJson());
    EXPECT_EQ(Shot(*copy), Shot(original));
    return {design, std::move(copy)};
}

TEST(ControlDesignTest, AWrittenDesignLoadsIntoAControlThatWritesAndLooksTheSame) {
    QWidget form;
    form.resize(400, 300);
    form.show();

    VistaButton button(&form);
    button.InitProperties();
    QImage strip(20, 8, QImage::Format_RGB32);
    strip.fill(qRgb(200, 30, 30));
    button.SetCaption("&Apply now");
    button.SetForeColor(RGB(200, 0, 0));
    QFont font("Tahoma", 9);
    font.setBold(true);
    button.SetFont(font);
    button.SetPicture(strip);
    button.SetPictures(2);
    button.SetEnabled(false);
    button.SetBackColor(RGB(40, 50, 60));
    button.SetPictureOffset(3);
    ExpectTheSameAfterReading(button);

    TitelBar titel(&form);
    QImage icon(12, 10, QImage::Format_ARGB32);
    icon.fill(QColor(10, 200, 30));
    font = QFont("DejaVu Sans", 11);
    font.setBold(true);
    titel.SetPictureButton(icon);
    titel.SetPicture(icon);
    titel.SetFont(font);
    titel.SetCaption("Shred");
    titel.SetStyle(3);
    titel.SetBackColorCover(-1.0f);
    titel.SetAutoRedraw(true);
    titel.Refresh();
    // The surface's own mode is written last under the same name; it is off after a redraw.
    EXPECT_FALSE(ExpectTheSameAfterReading(titel).first.Contains("AutoRedraw"));

    xFrame panel("xFrame2", &form);
    panel.SetCaption("Options");
    panel.SetButtonPin(true);
    panel.SetPicture(QPixmap::fromImage(strip));
    EXPECT_EQ(ExpectTheSameAfterReading(panel).second->Font().pointSizeF(), 8);
}

}  // namespace
}  // namespace ostrel::controls
