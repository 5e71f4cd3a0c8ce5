// Writes the progress window's busy animation to the file named by its one argument.
#include <QFile>
#include <cstdio>

#include "ui/BusyAnimation.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: ostrel-busygif OUTPUT.gif\n");
        return 2;
    }
    QFile file(QString::fromLocal8Bit(argv[1]));
    const QByteArray gif = ostrel::ui::EncodeGif(ostrel::ui::BusyAnimation());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(gif) != gif.size() ||
        !file.flush()) {
        std::fprintf(stderr, "ostrel-busygif: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
