// A gallery of the owner-drawn controls, not installed. Without arguments it shows every page in
// one window; with --render DIR it writes each page to DIR/<name>.png and exits; with --show NAME
// it shows that one page as a window of its own (with the window flags the page asks for).
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QScrollArea>
#include <QVBoxLayout>
#include <cstdio>
#include <map>

#include "controls/FixedLook.h"
#include "controls/gallery/GalleryPage.h"

namespace ostrel::gallery {
namespace {

std::map<QString, PageFactory>& Pages() {
    static std::map<QString, PageFactory> pages;
    return pages;
}

}  // namespace

bool RegisterPage(const QString& name, PageFactory factory) {
    Pages()[name] = std::move(factory);
    return true;
}

}  // namespace ostrel::gallery

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ostrel::controls::ApplyFixedLook(app);
    const QStringList args = app.arguments();
    const qsizetype render = args.indexOf("--render");
    if (render >= 0) {
        if (render + 1 >= args.size()) {
            std::fprintf(stderr, "usage: ostrel-gallery [--render DIR | --show NAME]\n");
            return 2;
        }
        const QDir dir(args[render + 1]);
        dir.mkpath(".");
        for (const auto& [name, factory] : ostrel::gallery::Pages()) {
            QWidget* page = factory();
            page->adjustSize();
            page->show();
            app.processEvents();
            const QString file = dir.filePath(name + ".png");
            if (!page->grab().save(file)) {
                std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
                return 1;
            }
            delete page;
        }
        return 0;
    }
    const qsizetype show = args.indexOf("--show");
    if (show >= 0) {
        const auto page = show + 1 < args.size() ? ostrel::gallery::Pages().find(args[show + 1])
                                                 : ostrel::gallery::Pages().end();
        if (page == ostrel::gallery::Pages().end()) {
            std::fprintf(stderr, "usage: ostrel-gallery --show NAME (a page's name)\n");
            return 2;
        }
        QWidget* window = page->second();
        window->setWindowTitle(page->first);
        window->show();
        return app.exec();
    }
    QScrollArea area;
    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    for (const auto& [name, factory] : ostrel::gallery::Pages()) {
        layout->addWidget(new QLabel(name));
        layout->addWidget(factory());
    }
    area.setWidget(content);
    area.setWindowTitle("Ostrel controls");
    area.resize(900, 700);
    area.show();
    return app.exec();
}
