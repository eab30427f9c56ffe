#include "outsidebench.h"

#include "librarycontroller.h"
#include "outsidechanges.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QScopeGuard>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include <qcorotask.h>

#include <stdexcept>
#include <thread>

namespace {

constexpr int giveUpMs = 20000;

// Runs the event loop until `published` holds after a change of the published articles.
template <typename Published>
double waitUntilPublished(LibraryController& library, const QElapsedTimer& since,
                          Published published)
{
    QEventLoop loop;
    const auto check = [&] {
        if (published())
            loop.quit();
    };
    QObject::connect(&library, &LibraryController::snapshotChanged, &loop, check);
    QTimer::singleShot(giveUpMs, &loop, &QEventLoop::quit);
    if (!published())
        loop.exec();
    if (!published())
        throw std::runtime_error("an outside change never reached the library");
    return double(since.nsecsElapsed()) / 1e6;
}

bool append(const QString& file, const QByteArray& text)
{
    QFile out(file);
    return out.open(QIODevice::Append) && out.write(text) >= 0;
}

// Lets the library work for a while.
void spin(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

OutsideChangeFigures measureOutsideChanges(const QString& root, int runs)
{
    QTemporaryDir preferences;
    QSettings settings(preferences.filePath(QStringLiteral("preferences.ini")),
                       QSettings::IniFormat);
    LibraryController library(&settings, root);
    QCoro::waitFor(library.loadAsync());
    // Settled: the search index the application prepares after a start is ready.
    QCoro::waitFor(library.prepareSearchAsync());
    if (library.loadPhase() != LibraryController::LoadPhase::Ready ||
        library.snapshot().notes.isEmpty())
        throw std::runtime_error("the library did not load the vault");

    OutsideChangeFigures figures;
    const QString path = library.snapshot().notes.at(library.snapshot().notes.size() / 2).path;
    for (int run = 0; run < runs; ++run) {
        const QDateTime before = library.note(path)->modifiedAt;
        QElapsedTimer since;
        since.start();
        if (!append(root + QLatin1Char('/') + path,
                    QStringLiteral("\n外部编辑 edited elsewhere %1\n").arg(run).toUtf8()))
            throw std::runtime_error("cannot edit " + path.toStdString());
        figures.editShownMs.append(waitUntilPublished(library, since, [&] {
            const std::optional<NoteSummary> note = library.note(path);
            return note && note->modifiedAt != before;
        }));
        spin(2 * OutsideChangeWatcher::quietMilliseconds); // apart from the next one
    }

    // A sync tool brings 500 articles into a folder that exists, writing as fast as it can.
    figures.burstFiles = 500;
    const qsizetype listed = library.snapshot().notes.size();
    const int refreshes = library.outsideChangeWatcher()->refreshCount();
    QElapsedTimer since;
    since.start();
    std::thread writer([&] {
        for (int i = 0; i < figures.burstFiles; ++i)
            append(root + QStringLiteral("/Notes/同步 synced %1.md").arg(i),
                   QStringLiteral("# 同步 %1\n\nsynced from another computer\n").arg(i).toUtf8());
    });
    // Written or not, the writer is joined before the figures are thrown away.
    const auto joined = qScopeGuard([&] { writer.join(); });
    figures.burstShownMs = waitUntilPublished(library, since, [&] {
        return library.snapshot().notes.size() == listed + figures.burstFiles;
    });
    spin(2 * OutsideChangeWatcher::burstMilliseconds); // a late refresh would count too
    figures.burstRefreshes = library.outsideChangeWatcher()->refreshCount() - refreshes;
    return figures;
}
