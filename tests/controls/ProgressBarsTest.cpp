#include <gtest/gtest.h>

#include <QSignalSpy>
#include <functional>
#include <tuple>

#include "controls/VistaProg.h"

namespace ostrel::controls {
namespace {

// A bar on a form, placed new (50 of 100).
class VistaProgTest : public ::testing::Test {
  protected:
    void SetUp() override {
        form.resize(200, 60);
        bar.setGeometry(0, 10, 100, 15);
        bar.InitProperties();
        form.show();
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

}  // namespace
}  // namespace ostrel::controls
