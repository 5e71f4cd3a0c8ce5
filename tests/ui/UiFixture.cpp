#include "tests/ui/UiFixture.h"

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <filesystem>

#include "core/Globals.h"
#include "core/RegistryManager.h"
#include "job/modMain.h"
#include "lang/tools/LngTable.h"
#include "ui/Texts.h"

namespace ostrel::test {
namespace fs = std::filesystem;

UiTest::UiTest() {
    m_host.onDoEvents = [] { QCoreApplication::processEvents(); };
}

// Windows are hidden, not closed: closing the main window ends the program.
UiTest::~UiTest() {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        window->hide();
    }
}

bool UiTest::RunMain(const std::vector<std::string>& paths) {
    try {
        Main(paths, m_forms.forms());
    } catch (const EndProcessCalled&) {
        return true;
    }
    return false;
}

void UiTest::StoreSettings(const char* language, const char* method, int confirm) {
    if (language != nullptr) {
        RegSetString(kHkeyCurrentUser, kSettingsKey, kSettingDefaultLang, language);
    }
    if (method != nullptr) {
        RegSetString(kHkeyCurrentUser, kSettingsKey, kSettingMethod, method);
    }
    if (confirm >= 0) {
        RegSetDword(kHkeyCurrentUser, kSettingsKey, kSettingConfirm, confirm);
    }
}

std::string UiTest::SettingsFile() const {
    return ReadFile(m_xdg.ConfigHome() + "/Tolvane/Quarrix/Shredder.reg");
}

std::string UiTest::MakeFile(const std::string& relative, const std::string& bytes) const {
    const fs::path path = m_temp.path() / relative;
    fs::create_directories(path.parent_path());
    WriteFile(path, bytes);
    return path.string();
}

std::string UiTest::Holding() const {
    return gDataFolder + "/Safetemp";
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
