// Files and folders dropped on the main window.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDropEvent>
#include <QMimeData>
#include <QTest>
#include <QUrl>
#include <filesystem>

#include "controls/VistaButton.h"
#include "core/ShredMethods.h"
#include "lang/LangStrings.h"
#include "tests/ui/UiFixture.h"
#include "ui/frmAbout.h"
#include "ui/frmOptions.h"

namespace ostrel::test {
namespace {
namespace fs = std::filesystem;

using DropTest = UiTest;

// Drops carry file URLs; only those naming this machine's files are taken, byte for byte.
TEST_F(DropTest, OnlyLocalPathsAreTakenFromADrop) {
    const struct {
        std::vector<const char*> urls;
        std::vector<std::string> paths;
    } rows[] = {
        {{"file:///tmp/a%20b", "file:///tmp/c"}, {"/tmp/a b", "/tmp/c"}},
        {{"file:///tmp/not%FFutf8"}, {"/tmp/not\xFFutf8"}},
        {{"file://localhost/tmp/x"}, {"/tmp/x"}},
        {{"file://elsewhere.example/tmp/x"}, {}},
        {{"https://example.com/file"}, {}},
        {{"file:///tmp/ok", "smb://server/share/x"}, {}},
    };
    for (const auto& row : rows) {
        QMimeData data;
        QList<QUrl> urls;
        for (const char* url : row.urls) {
            urls.append(QUrl(url));
        }
        data.setUrls(urls);
        EXPECT_EQ(ui::frmAbout::LocalPaths(data), row.paths) << row.urls[0];
    }
}

// Sends a drag of `paths` over the main window and drops it; true when the window accepted it.
bool Drop(QWidget& window, const std::vector<std::string>& paths) {
    QMimeData data;
    QList<QUrl> urls;
    for (const std::string& path : paths) {
        urls.append(QUrl::fromLocalFile(QString::fromStdString(path)));
    }
    data.setUrls(urls);
    const QPoint at = window.rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &enter);
    if (!enter.isAccepted()) {
        return false;
    }
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &drop);
    return drop.isAccepted();
}

// A drop is confirmed and only what was dropped goes; drops are refused while a job runs.
TEST_F(DropTest, DropShredsWhatWasDroppedAndNothingElse) {
    QWidget* about = StartMainWindow("English.lng", nullptr, 1);
    ASSERT_NE(about, nullptr);
    const std::string dropped = MakeFile("dropped", "a");
    MakeFile("folder/inner", "b");
    const std::string folder = (m_temp.path() / "folder").string();
    const std::string kept = MakeFile("kept", "c");
    const std::string beside = MakeFile("folder-sibling/d", "d");
    m_host.answers = {kAnswerYes};

    {
        ShredJob running(m_forms.forms());  // another job runs
        EXPECT_FALSE(Drop(*about, {dropped}));
    }
    ASSERT_TRUE(Drop(*about, {dropped, folder}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !fs::exists(folder); }, 10000));
    QCoreApplication::processEvents();

    ASSERT_GE(m_host.msgBoxes.size(), 1u);
    EXPECT_EQ(m_host.msgBoxes[0].style, kMsgYesNo) << "the drop was confirmed first";
    EXPECT_FALSE(fs::exists(dropped));
    EXPECT_EQ(ReadFile(kept), "c");
    EXPECT_EQ(ReadFile(beside), "d");
    EXPECT_EQ(m_host.msgBoxes.size(), 1u) << "no report: everything went";
    EXPECT_EQ(VisibleWindow("frmProgress"), nullptr);
    EXPECT_NE(VisibleWindow("frmAbout"), nullptr) << "the main window stays";
}

// A drop while the dialog is open goes by the stored settings, not the unapplied ones.
TEST_F(DropTest, ADropGoesByTheStoredSettingsNotTheUnappliedDialog) {
    const struct {
        int storedConfirm;
        bool untickConfirm;   // in the dialog, unapplied
        int pickMethod;       // the list entry picked in the dialog, unapplied; -1 none
        bool askedFirst;      // the drop was confirmed before anything happened
        const char* trashed;  // where the file went: to the trash ("files/x") or nowhere ("")
    } rows[] = {
        {1, true, -1, true, ""},
        {0, false, 0, false, "files/dropped"},
    };
    const fs::path trash = fs::path(m_xdg.DataHome()) / "Trash";
    for (const auto& row : rows) {
        SCOPED_TRACE(row.storedConfirm);
        ui::frmAbout* about = StartMainWindow("English.lng", kMethodRecycle, row.storedConfirm);
        ASSERT_NE(about, nullptr);
        const std::string before = SettingsFile();
        const std::string dropped = MakeFile("dropped", "d");
        fs::remove_all(trash);
        m_host.msgBoxes.clear();
        m_host.answers = {kAnswerNo};
        ui::frmOptions* options = OpenOptions(*about);
        ASSERT_NE(options, nullptr);
        if (row.untickConfirm) {
            options->chlConfirm()->setChecked(false);
        }
        if (row.pickMethod >= 0) {
            options->cboDelete()->setCurrentIndex(row.pickMethod);
        }
        EXPECT_EQ(m_forms.forms().options.Confirm(), row.storedConfirm);
        EXPECT_EQ(m_forms.forms().options.DeleteMethod(), kMethodRecycle);

        about->ShredDropped({dropped});

        EXPECT_EQ(!m_host.msgBoxes.empty() && m_host.msgBoxes[0].style == kMsgYesNo,
                  row.askedFirst);
        if (*row.trashed != '\0') {
            EXPECT_FALSE(fs::exists(dropped));
            EXPECT_EQ(ReadFile(trash / row.trashed), "d") << "the stored method was used";
        } else {
            EXPECT_EQ(ReadFile(dropped), "d");
        }
        EXPECT_EQ(SettingsFile(), before);
        Click(options->cbCancel());
    }
}

}  // namespace
}  // namespace ostrel::test
