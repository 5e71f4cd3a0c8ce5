#include <gtest/gtest.h>

#include <QSignalSpy>
#include <functional>
#include <tuple>

#include "controls/ProgressCntrl.h"
#include "controls/VistaProg.h"
#include "tests/controls/Support.h"

namespace ostrel::controls {
namespace {

using testing::PixelAt;
using testing::Rgb;
using testing::Shot;

const std::string kGreen = Rgb(0, 210, 40);
const std::string kTrack = Rgb(202, 202, 202);
const std::string kCapOff = Rgb(209, 209, 209);

// A 100-pixel bar on a form, placed new (50 of 100).
class VistaProgTest : public ::testing::Test {
  protected:
    void SetUp() override {
        form.resize(200, 60);
        bar.setGeometry(0, 10, 100, 15);
        bar.InitProperties();
        form.show();
    }
    // The first column right of the left cap that is not fill, seen along the middle row.
    int FillEnd() {
        const QImage image = Shot(bar);
        int x = 2;
        while (x < image.width() && PixelAt(image, x, 7) == kGreen) {
            ++x;
        }
        return x;
    }

    QWidget form;
    VistaProg bar{&form};
};

TEST_F(VistaProgTest, SettersKeepMinBelowMaxAndValueBetween) {
    const struct {
        const char* name;
        std::function<void(VistaProg&)> act;
        int min, value, max;
    } rows[] = {
        {"value above max", [](VistaProg& b) { b.SetValue(150); }, 0, 100, 100},
        {"value below min", [](VistaProg& b) { b.SetValue(-5); }, 0, 0, 100},
        {"max 0 above min 5", [](VistaProg& b) { b.SetMin(5), b.SetMax(0); }, 5, 6, 6},
        {"min at max", [](VistaProg& b) { b.SetMin(100); }, 99, 99, 100},
        {"negative min", [](VistaProg& b) { b.SetMin(-3); }, 0, 50, 100},
    };
    for (const auto& row : rows) {
        VistaProg b;
        b.InitProperties();
        row.act(b);
        EXPECT_EQ(std::tuple(b.Min(), b.Value(), b.Max()), std::tuple(row.min, row.value, row.max))
            << row.name;
    }
    QSignalSpy changed(&bar, &VistaProg::PropertyChanged);
    bar.SetMax(20);  // pulls Value 50 down to 20 through its setter
    ASSERT_EQ(changed.count(), 2);
    EXPECT_EQ(changed[0][0].toString(), "Value");
    EXPECT_EQ(changed[1][0].toString(), "Max");
}

TEST_F(VistaProgTest, FillIsValueOverMaxOfTheWidthAndTheCapsLightAtTheEnds) {
    struct Row {
        int min, value, max, fillEnd;
        std::string leftCap, rightCap;
    };
    const Row rows[] = {
        {0, 0, 100, 2, kCapOff, kCapOff},  {0, 1, 3, 33, kGreen, kCapOff},
        {20, 30, 60, 50, kGreen, kCapOff}, {0, 99, 100, 98, kGreen, kCapOff},
        {0, 100, 100, 99, kGreen, kGreen},
    };
    for (const Row& row : rows) {
        bar.SetMax(row.max);
        bar.SetMin(row.min);
        bar.SetValue(row.value);
        const QImage image = Shot(bar);
        EXPECT_EQ(FillEnd(), row.fillEnd) << row.value << "/" << row.max;
        EXPECT_EQ(PixelAt(image, 1, 7), row.leftCap) << row.value;
        EXPECT_EQ(PixelAt(image, 98, 7), row.rightCap) << row.value;
        if (row.fillEnd < 98) {
            EXPECT_EQ(PixelAt(image, row.fillEnd, 7), kTrack) << row.value;
        }
        bar.SetMin(0);
    }
}

TEST_F(VistaProgTest, HeightReturnsTo225TwipsWhateverTheFormSets) {
    bar.setGeometry(5, 5, 120, 40);
    EXPECT_EQ(bar.geometry(), QRect(5, 5, 120, 15));
    bar.resize(80, 3);
    EXPECT_EQ(bar.size(), QSize(80, 15));
    bar.SetValue(100);
    EXPECT_EQ(PixelAt(Shot(bar), 78, 7), kGreen);  // the right cap follows the new width
}

TEST(ProgressCntrlTest, ValueZeroHidesTheBarAndNothingIsClamped) {
    QWidget form;
    form.resize(320, 60);
    ProgressCntrl progress(&form);
    progress.setGeometry(0, 0, 300, 25);
    form.show();
    QWidget* bar = progress.findChild<QWidget*>("Progress");
    EXPECT_FALSE(bar->isVisible());
    progress.SetValue(7);  // Max still 0: shown, stored, width untouched
    EXPECT_TRUE(bar->isVisible());
    EXPECT_EQ(progress.Value(), 7);
    EXPECT_EQ(bar->width(), 1);

    progress.SetMax(10);
    progress.SetValue(5);
    EXPECT_EQ(bar->geometry(), QRect(0, 0, 150, 25));
    progress.SetValue(20);
    EXPECT_EQ(bar->width(), 600);
    progress.SetValue(-4);  // shown, but a negative width is refused
    EXPECT_TRUE(bar->isVisible());
    EXPECT_EQ(bar->width(), 600);
    progress.SetValue(0);
    EXPECT_FALSE(bar->isVisible());

    ProgressCntrl hidden;  // sized before it is ever shown, as a form sets it up
    hidden.resize(200, 25);
    hidden.SetMax(4);
    hidden.SetValue(1);
    EXPECT_EQ(hidden.findChild<QWidget*>("Progress")->width(), 50);
}

}  // namespace
}  // namespace ostrel::controls
