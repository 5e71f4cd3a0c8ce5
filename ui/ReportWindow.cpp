#include "ui/ReportWindow.h"

#include <QClipboard>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSaveFile>
#include <QScreen>
#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "lang/LangStrings.h"
#include "ui/Form.h"
#include "ui/Texts.h"

namespace ostrel::ui {
namespace {

// The width the window opens with when the screen has room for it.
constexpr int kPreferredWidth = 640;

QString Utf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Compares runs of digits by their value ("IMG_9" before "IMG_10") and everything else without
// regard to case: the order a person sorts names in, whatever the system's locale.
bool NameBefore(const QString& a, const QString& b) {
    qsizetype i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            const qsizetype startA = i, startB = j;
            while (i < a.size() && a[i].isDigit()) {
                ++i;
            }
            while (j < b.size() && b[j].isDigit()) {
                ++j;
            }
            QStringView numberA = QStringView(a).mid(startA, i - startA);
            QStringView numberB = QStringView(b).mid(startB, j - startB);
            while (numberA.size() > 1 && numberA.front() == u'0') {
                numberA = numberA.mid(1);
            }
            while (numberB.size() > 1 && numberB.front() == u'0') {
                numberB = numberB.mid(1);
            }
            if (numberA.size() != numberB.size()) {
                return numberA.size() < numberB.size();
            }
            if (const int order = numberA.compare(numberB); order != 0) {
                return order < 0;
            }
            continue;
        }
        const QChar ca = a[i].toCaseFolded(), cb = b[j].toCaseFolded();
        if (ca != cb) {
            return ca < cb;
        }
        ++i;
        ++j;
    }
    if ((a.size() - i) != (b.size() - j)) {
        return a.size() - i < b.size() - j;
    }
    return a < b;  // equal but for case or leading zeros: a fixed order all the same
}

// Draws the names under the headings cut short by ElidedKeepingName.
class NameDelegate final : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

  protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        if (!index.parent().isValid()) {
            return;  // a heading: cut in the middle by the view if it must be
        }
        const QStyle* style = option->widget != nullptr ? option->widget->style() : nullptr;
        const int margin =
            style != nullptr ? style->pixelMetric(QStyle::PM_FocusFrameHMargin, option) + 1 : 4;
        option->text =
            ElidedKeepingName(option->text, option->fontMetrics, option->rect.width() - 2 * margin);
    }
};

QTreeWidgetItem* AddRow(QTreeWidgetItem* parent, const QString& text) {
    auto* item = new QTreeWidgetItem(parent, {text});
    item->setToolTip(0, text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
}

}  // namespace

QString ElidedKeepingName(const QString& line, const QFontMetrics& metrics, int width) {
    if (metrics.horizontalAdvance(line) <= width) {
        return line;
    }
    // The reason is the last parenthesis; the name starts after the last "/" before it.
    qsizetype reason = line.size();
    if (line.endsWith(u')')) {
        if (const qsizetype open = line.lastIndexOf(u" ("); open > 0) {
            reason = open;
        }
    }
    const qsizetype slash = line.lastIndexOf(u'/', reason - 1);
    if (slash < 0) {
        return metrics.elidedText(line, Qt::ElideMiddle, width);
    }
    // First the folders give way, down to their first character and an ellipsis.
    const QString tail = line.mid(slash + 1);
    const int tailWidth = metrics.horizontalAdvance(tail);
    if (tailWidth + metrics.horizontalAdvance(QStringLiteral(u"/\u2026/")) <= width) {
        return metrics.elidedText(line.left(slash + 1), Qt::ElideMiddle, width - tailWidth) + tail;
    }
    // Then the reason, cut at its end.
    const QString folders = QStringLiteral(u"\u2026/");
    const QString name = line.mid(slash + 1, reason - slash - 1);
    const int left = width - metrics.horizontalAdvance(folders) - metrics.horizontalAdvance(name);
    if (reason < line.size() && left >= metrics.horizontalAdvance(QStringLiteral(u" (\u2026"))) {
        return folders + name + metrics.elidedText(line.mid(reason), Qt::ElideRight, left);
    }
    return metrics.elidedText(line, Qt::ElideMiddle, width);
}

ReportWindow::ReportWindow(const Report& report, QWidget* parent)
    : QDialog(parent), m_text(Utf8(report.Text())) {
    setObjectName("ReportWindow");
    setWindowTitle(Displayed(report.title));
    setSizeGripEnabled(true);
    auto* layout = new QVBoxLayout(this);

    if (!report.opening.empty()) {
        auto* opening = new QLabel(Utf8(report.opening), this);
        opening->setTextFormat(Qt::PlainText);
        opening->setWordWrap(true);
        layout->addWidget(opening);
    }

    m_list = new QTreeWidget(this);
    m_list->setColumnCount(1);
    m_list->setHeaderHidden(true);
    m_list->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setTextElideMode(Qt::ElideMiddle);
    m_list->setItemDelegate(new NameDelegate(m_list));
    // One line per row, cut short in the middle where too long: a long name keeps its start,
    // its end and the reason after it.
    m_list->setWordWrap(false);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setMinimumHeight(m_list->fontMetrics().height() * 4);
    if (!report.opening.empty()) {
        m_list->setAccessibleName(Utf8(report.opening));
    }
    QFont headingFont = m_list->font();
    headingFont.setBold(true);
    for (const ReportSection& section : report.sections) {
        auto* heading = new QTreeWidgetItem(m_list, {Utf8(section.heading)});
        heading->setFont(0, headingFont);
        heading->setToolTip(0, heading->text(0));
        heading->setFlags(Qt::ItemIsEnabled);
        QStringList lines;
        for (const std::string& line : section.lines) {
            lines << Utf8(line);
        }
        std::stable_sort(lines.begin(), lines.end(), NameBefore);
        for (const QString& line : lines) {
            AddRow(heading, line);
        }
        for (const std::string& note : section.notes) {
            QTreeWidgetItem* item = AddRow(heading, Utf8(note));
            QFont noteFont = m_list->font();
            noteFont.setItalic(true);
            item->setFont(0, noteFont);
        }
    }
    m_list->expandAll();
    m_list->setItemsExpandable(false);
    m_list->setRootIsDecorated(false);
    layout->addWidget(m_list, 1);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* copy =
        buttons->addButton(LangText(lang::kCopyButton), QDialogButtonBox::ActionRole);
    QPushButton* save =
        buttons->addButton(LangText(lang::kSaveButton), QDialogButtonBox::ActionRole);
    QPushButton* ok = buttons->addButton(QDialogButtonBox::Ok);
    ok->setDefault(true);
    connect(copy, &QPushButton::clicked, this, &ReportWindow::Copy);
    connect(save, &QPushButton::clicked, this, &ReportWindow::AskAndSave);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);

    // As tall as the rows need and as wide as preferred, but never larger than the screen.
    const QScreen* where = parent != nullptr ? parent->screen() : QGuiApplication::primaryScreen();
    const QSize room = RoomOnScreen(*where);
    setMaximumSize(room);
    int rows = 0;
    for (QTreeWidgetItemIterator it(m_list); *it != nullptr; ++it) {
        ++rows;
    }
    const int rowsHeight =
        rows * std::max(m_list->sizeHintForRow(0), m_list->fontMetrics().height());
    const QSize wanted(kPreferredWidth, sizeHint().height() - m_list->sizeHint().height() +
                                            rowsHeight + 2 * m_list->frameWidth() + 4);
    resize(wanted.boundedTo(room).expandedTo(minimumSizeHint().boundedTo(room)));
}

void ReportWindow::Copy() const {
    QGuiApplication::clipboard()->setText(m_text);
}

bool ReportWindow::SaveTo(const QString& path, QString* why) const {
    QSaveFile file(path);
    const QByteArray bytes = m_text.toUtf8() + '\n';
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit()) {
        return true;
    }
    if (why != nullptr) {
        *why = file.errorString();
    }
    return false;
}

void ReportWindow::AskAndSave() {
    const QString path = QFileDialog::getSaveFileName(this, windowTitle(), "ostrel-report.txt");
    if (QString why; !path.isEmpty() && !SaveTo(path, &why)) {
        QMessageBox::warning(this, windowTitle(), path + "\n" + why);
    }
}

void ReportWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    KeepOnScreen();
}

void ReportWindow::KeepOnScreen() {
    const QRect room = screen()->availableGeometry();
    QRect frame = frameGeometry();
    if (QWidget* over = parentWidget(); over != nullptr && over->isVisible()) {
        frame.moveCenter(over->frameGeometry().center());
    }
    frame.moveLeft(std::clamp(frame.left(), room.left(),
                              std::max(room.left(), room.right() - frame.width() + 1)));
    frame.moveTop(std::clamp(frame.top(), room.top(),
                             std::max(room.top(), room.bottom() - frame.height() + 1)));
    move(frame.topLeft());
}

}  // namespace ostrel::ui
