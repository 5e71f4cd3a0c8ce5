#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFontMetrics>
#include <QLabel>
#include <QScreen>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTimer>
#include <QTreeWidget>
#include <QWidget>
#include <string>

#include "job/ShredJob.h"
#include "lang/LanguageFile.h"
#include "ui/QtHost.h"
#include "ui/ReportWindow.h"

namespace ostrel::test {
namespace {

// 41 files not destroyed (one with a 250-character name) and two folders left.
JobReport LongReport() {
    JobReport report;
    for (int i = 0; i < 40; ++i) {
        report.failed.push_back(
            {"/home/u/photos/IMG_" + std::to_string(1000 + (i * 7) % 40) + ".jpg", "in use"});
    }
    report.failed.push_back({"/home/u/" + std::string(250, 'n'), "in use"});
    report.foldersLeft.push_back({"/home/u/photos", "not empty"});
    report.foldersLeft.push_back({"/home/u/music", "not empty"});
    return report;
}

struct Seen {
    QRect frame;
    QRect screen;
    int childrenOutside = -1;
    QString texts;  // every text the window shows or lets the user scroll to, one a line
};

void CollectTexts(const QTreeWidgetItem* item, QString& texts) {
    texts += item->text(0) + '\n';
    for (int i = 0; i < item->childCount(); ++i) {
        CollectTexts(item->child(i), texts);
    }
}

// Shows the report as the job does and looks at the window it opens.
Seen ShowReport(const JobReport& report) {
    OpenLanguageFile("English.lng");
    ui::QtHost host;
    Host* previous = SetCurrentHost(&host);
    Seen seen;
    QTimer::singleShot(0, [&] {
        QWidget* box = QApplication::activeModalWidget();
        ASSERT_NE(box, nullptr);
        seen.frame = box->frameGeometry();
        seen.screen = box->screen()->availableGeometry();
        seen.childrenOutside = 0;
        for (const QWidget* child : box->findChildren<QWidget*>()) {
            if (!child->isVisible()) {
                continue;
            }
            if (!box->rect().contains(QRect(child->mapTo(box, QPoint(0, 0)), child->size()))) {
                ++seen.childrenOutside;
            }
            if (const auto* label = qobject_cast<const QLabel*>(child)) {
                seen.texts += label->text() + '\n';
            } else if (const auto* edit = qobject_cast<const QTextEdit*>(child)) {
                seen.texts += edit->toPlainText() + '\n';
            } else if (const auto* tree = qobject_cast<const QTreeWidget*>(child)) {
                for (int i = 0; i < tree->topLevelItemCount(); ++i) {
                    CollectTexts(tree->topLevelItem(i), seen.texts);
                }
            }
        }
        box->close();
    });
    ShowJobReport(report);
    SetCurrentHost(previous);
    CloseLanguageFile();
    return seen;
}

// The window stays inside a small screen and every line can be scrolled to.
void ExpectFitsAndShowsEverything() {
    const JobReport report = LongReport();
    const Seen seen = ShowReport(report);
    EXPECT_FALSE(seen.frame.isEmpty());
    EXPECT_TRUE(seen.screen.contains(seen.frame))
        << "window " << seen.frame.x() << "," << seen.frame.y() << " " << seen.frame.width() << "x"
        << seen.frame.height() << " on " << seen.screen.width() << "x" << seen.screen.height();
    EXPECT_EQ(seen.childrenOutside, 0);
    const QString shown = QString(seen.texts).remove(QChar(0x200B));
    for (const auto& [path, reason] : report.failed) {
        EXPECT_TRUE(shown.contains(QString::fromStdString(path + " (" + reason + ")"))) << path;
    }
}

TEST(ReportWindowTest, ALongReportFitsTheScreenAndShowsEveryLine) {
    ExpectFitsAndShowsEverything();
}

// Names are sorted naturally under their headings; Copy and Save give the console's text.
TEST(ReportWindowTest, NamesAreSortedUnderTheirHeadingsAndTheTextCanBeCopiedAndSaved) {
    Report report;
    report.title = "Ostrel";
    report.opening = "Not everything:";
    report.sections = {{"Not found:", {"/t/IMG_10", "/t/b", "/t/IMG_9", "/t/a"}, {}},
                       {"Waiting:", {"/d/z", "/d/y"}, {"To stop waiting:", "/state"}}};
    ui::ReportWindow window(report, nullptr);
    const QTreeWidget& list = *window.List();

    const struct {
        int section;
        QString heading;
        QStringList rows;
    } expected[] = {{0, "Not found:", {"/t/a", "/t/b", "/t/IMG_9", "/t/IMG_10"}},
                    {1, "Waiting:", {"/d/y", "/d/z", "To stop waiting:", "/state"}}};
    ASSERT_EQ(list.topLevelItemCount(), 2);
    for (const auto& row : expected) {
        const QTreeWidgetItem* heading = list.topLevelItem(row.section);
        EXPECT_EQ(heading->text(0), row.heading);
        QStringList rows;
        for (int i = 0; i < heading->childCount(); ++i) {
            rows << heading->child(i)->text(0);
        }
        EXPECT_EQ(rows, row.rows);
    }

    const QString text = QString::fromStdString(report.Text());
    window.Copy();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), text);
    QTemporaryDir folder;
    ASSERT_TRUE(window.SaveTo(folder.filePath("report.txt")));
    QFile saved(folder.filePath("report.txt"));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(saved.readAll()), text + "\n");
    QString why;
    EXPECT_FALSE(window.SaveTo(folder.filePath("missing/report.txt"), &why));
    EXPECT_FALSE(why.isEmpty()) << "the user is told why";
}

// A row too long gives up its folders first, then the reason; a too-long name is cut inside.
TEST(ReportWindowTest, ARowTooLongKeepsItsNameAndReason) {
    const QFontMetrics metrics(QApplication::font());
    const QString folder = "/home/user/Pictures/2019/holiday/", name = "IMG_2031.jpg (in use)";
    const QString longName = QString(200, 'n') + ".pdf (permission denied)";
    const struct {
        QString line;
        int width;
        QString start, end;  // what the shown text starts and ends with
    } rows[] = {
        {folder + name, 10000, folder + name, name},
        {folder + name, metrics.horizontalAdvance(name) * 3 / 2, "/", "/" + name},
        {folder + name, metrics.horizontalAdvance("\u2026/IMG_2031.jpg (in \u2026"),
         "\u2026/IMG_2031.jpg (", "\u2026"},
        {folder + longName, 300, "/home", "denied)"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.line.toStdString() + " in " + std::to_string(row.width));
        const QString shown = ui::ElidedKeepingName(row.line, metrics, row.width);
        EXPECT_TRUE(shown.startsWith(row.start)) << shown.toStdString();
        EXPECT_TRUE(shown.endsWith(row.end)) << shown.toStdString();
        EXPECT_LE(metrics.horizontalAdvance(shown), row.width);
        EXPECT_EQ(shown.contains(QChar(0x2026)), shown != row.line) << "cut short where it is cut";
    }
}

// Runs as its own test with QT_SCALE_FACTOR=2 (UiAtScale2 in CTest).
TEST(AtScale2, ALongReportFitsTheScreenAndShowsEveryLine) {
    if (qgetenv("QT_SCALE_FACTOR") != "2") {
        GTEST_SKIP() << "runs with QT_SCALE_FACTOR=2 (the UiAtScale2 test)";
    }
    ExpectFitsAndShowsEverything();
}

}  // namespace
}  // namespace ostrel::test
