#include "tests/ui/UiFixture.h"

#include <QApplication>
#include <QTest>
#include <QTimer>

#include "controls/VistaButton.h"
#include "lang/tools/LngTable.h"
#include "ui/Texts.h"

namespace ostrel::test {

UiTest::UiTest() {
    m_host.onDoEvents = [] { QCoreApplication::processEvents(); };
}

// Windows are hidden, not closed: closing the main window ends the program.
UiTest::~UiTest() {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        window->hide();
    }
}

std::string UiTest::SettingsFile() const {
    return ReadFile(m_xdg.ConfigHome() + "/Tolvane/Quarrix/Shredder.reg");
}

QWidget* UiTest::VisibleWindow(const QString& name) {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->objectName() == name && window->isVisible()) {
            return window;
        }
    }
    return nullptr;
}

void UiTest::WhenShown(const QString& name, std::function<void(QWidget&)> action) {
    auto* poll = new QTimer(qApp);
    QObject::connect(poll, &QTimer::timeout, [poll, name, action = std::move(action)] {
        if (QWidget* window = VisibleWindow(name)) {
            poll->stop();
            poll->deleteLater();
            action(*window);
        }
    });
    poll->start(1);
}

bool UiTest::Click(QWidget* widget, std::optional<QPoint> at) {
    if (widget == nullptr) {
        ADD_FAILURE() << "nothing to click";
        return false;
    }
    try {
        QTest::mouseClick(widget, Qt::LeftButton, {},
                          at.value_or(QPoint(widget->width() / 2, widget->height() / 2)));
    } catch (const EndProcessCalled&) {
        return true;
    }
    return false;
}

ui::frmOptions* UiTest::OpenOptions(ui::frmAbout& about) {
    Click(about.cbOptions());
    return qobject_cast<ui::frmOptions*>(VisibleWindow("frmOptions"));
}

ui::frmAbout* UiTest::StartMainWindow(const char* language, const char* method, int confirm) {
    StoreSettings(language, method, confirm);
    EXPECT_FALSE(RunMain({})) << "started without paths, the program ends only when closed";
    return qobject_cast<ui::frmAbout*>(VisibleWindow("frmAbout"));
}

const std::map<int, QString>& EnglishTexts() {
    static const std::map<int, QString> texts = [] {
        const std::string source = ReadFile(std::string(OSTREL_LANG_TEXTS_DIR) + "/English.txt");
        std::map<int, QString> byNumber;
        for (const LngEntry& entry : ParseLngSource(source, "English.txt").entries) {
            byNumber[entry.number] = ui::Displayed(entry.text);
        }
        return byNumber;
    }();
    return texts;
}

}  // namespace ostrel::test
