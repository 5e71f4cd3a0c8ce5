// The stored designs build the windows' standard controls as the program needs them.
#include <gtest/gtest.h>

#include <QComboBox>

#include "ui/FormDesign.h"

namespace ostrel::test {
namespace {

// The options list offers the three overwrite methods, in order, and not the trash.
TEST(DesignTest, MethodListOffersTheOverwriteMethods) {
    QWidget form;
    ui::BuildForm(form, "frmOptions");
    auto* methods = form.findChild<QComboBox*>("cboDelete");
    ASSERT_NE(methods, nullptr);
    QStringList items;
    for (int i = 0; i < methods->count(); ++i) {
        items << methods->itemText(i);
    }
    EXPECT_EQ(items, (QStringList{"Simple Overwrite (1 Pass)", "DoD 5220.22-M (3 Passes)",
                                  "DoD 5220.22-M (7 Passes)"}));
}

}  // namespace
}  // namespace ostrel::test
