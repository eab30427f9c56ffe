// larch-docs: writes the files made from larch's command table at build time.
//   larch-docs completion FILE
//   larch-docs manual VERSION FILE
#include "clidocs.h"

#include <QFile>

#include <cstdio>

int main(int argc, char* argv[])
{
    const QString what = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    QString text;
    QString path;
    if (what == QLatin1String("completion") && argc == 3) {
        text = bashCompletionScript();
        path = QString::fromLocal8Bit(argv[2]);
    } else if (what == QLatin1String("manual") && argc == 4) {
        text = manualPage(QString::fromLocal8Bit(argv[2]));
        path = QString::fromLocal8Bit(argv[3]);
    } else {
        std::fputs("usage: larch-docs completion FILE | larch-docs manual VERSION FILE\n", stderr);
        return 2;
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text.toUtf8()) < 0 ||
        !file.flush()) {
        std::fprintf(stderr, "larch-docs: cannot write %s\n", qPrintable(path));
        return 1;
    }
    return 0;
}
