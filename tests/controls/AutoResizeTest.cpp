#include "controls/AutoResize.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>

#include "controls/Line.h"
#include "controls/VistaButton.h"
#include "tests/controls/Support.h"

namespace ostrel::controls {
namespace {

using testing::Bag;

// A 400 x 300 form (6000 x 4500 twips) with a label, a push button, a line, a framed group with
// a button inside, a docked status bar, a control tagged "NO" and the resizer, read from `design`.
class AutoResizeTest : public ::testing::Test {
  protected:
    void Load(const char* design) {
        form.setWindowFlags(Qt::FramelessWindowHint);
        form.resize(400, 300);
        label.setGeometry(20, 20, 100, 20);
        QFont font = label.font();
        font.setPointSize(10);
        label.setFont(font);
        button.setGeometry(200, 150, 75, 23);
        button.InitProperties();
        line.SetEndPoints(300, 900, 3000, 1500);
        frame.setGeometry(20, 100, 150, 100);
        inner.setGeometry(10, 10, 60, 30);
        status.setGeometry(0, 280, 400, 20);
        status.setProperty(kAlignProperty, 2);
        fixed.setGeometry(10, 250, 50, 15);
        fixed.setProperty(kTagProperty, "NO");
        resizer.setProperty(kTagProperty, "NO");
        resizer.ReadProperties(Bag(design));
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    }

    QWidget form;
    QLabel label{"Name", &form};
    VistaButton button{&form};
    Line line{&form};
    QFrame frame{&form};
    QPushButton inner{"Go", &frame};
    QStatusBar status{&form};
    QLabel fixed{"fixed", &form};
    AutoResize resizer{&form};
};

TEST_F(AutoResizeTest, ScalesEveryControlFromTheLoadRecordAndFontsByTheSmallerRatio) {
    Load("{}");
    form.resize(800, 300);
    EXPECT_EQ(label.geometry(), QRect(40, 20, 200, 20));
    EXPECT_EQ(label.font().pointSize(), 10);
    EXPECT_EQ(button.geometry(), QRect(400, 150, 150, 23));
    EXPECT_EQ(frame.geometry(), QRect(40, 100, 300, 100));
    EXPECT_EQ(inner.geometry(), QRect(20, 10, 120, 30));
    EXPECT_DOUBLE_EQ(line.X2(), 6000);
    EXPECT_EQ(status.geometry(), QRect(0, 280, 400, 20));
    EXPECT_EQ(fixed.geometry(), QRect(10, 250, 50, 15));

    form.resize(800, 600);
    EXPECT_EQ(label.geometry(), QRect(40, 40, 200, 40));
    EXPECT_EQ(label.font().pointSize(), 20);
    EXPECT_DOUBLE_EQ(line.Y1(), 1800);
    form.resize(400, 300);  // back to the recorded shape: back to the recorded layout
    EXPECT_EQ(label.geometry(), QRect(20, 20, 100, 20));
    EXPECT_EQ(label.font().pointSize(), 10);
}

TEST_F(AutoResizeTest, TheFormSnapsBackToItsMinimumSize) {
    Load(R"({"WMin": 5400, "HMin": 3600})");
    form.resize(100, 400);
    EXPECT_EQ(form.size(), QSize(360, 400));
    form.resize(500, 50);
    EXPECT_EQ(form.size(), QSize(500, 240));
    EXPECT_EQ(label.geometry(), QRect(25, 16, 125, 16));  // scaled for the corrected size
}

TEST_F(AutoResizeTest, AspectRatioHoldsInNormalStateButNotMaximised) {
    Load(R"({"KeepAspectRatio": true, "AspectRatioValue": 0.5})");
    form.resize(600, 100);
    EXPECT_EQ(form.size(), QSize(600, 300));
    EXPECT_EQ(label.geometry(), QRect(30, 20, 150, 20));  // rescaled after the height change

    form.showMaximized();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.width() > 600; }));
    const QSize maximised = form.size();
    EXPECT_NE(maximised.height(), maximised.width() / 2);
    EXPECT_EQ(label.x(), 20 * maximised.width() / 400);
}

TEST_F(AutoResizeTest, DisabledTheFormShrinksFreelyAndNothingMoves) {
    Load(R"({"Enabled": false})");
    form.resize(100, 60);
    EXPECT_EQ(form.size(), QSize(100, 60));
    EXPECT_EQ(label.geometry(), QRect(20, 20, 100, 20));
    EXPECT_EQ(button.geometry(), QRect(200, 150, 75, 23));
}

}  // namespace
}  // namespace ostrel::controls
