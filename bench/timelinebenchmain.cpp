// larch-bench-timeline VAULT [--step PIXELS] [--work-dir DIR]
//
// The memo timeline of the main window on a generated vault, off-screen: the time from the
// timeline's first frame to the frame that completes its first screen (every row in view with
// its pictures decoded), frame times while scrolling (a brisk wheel scroll of 400 frames, then
// the whole stream at `--step` pixels a frame), and the process's resident memory as the stream
// goes by. Works on a copy of the vault whose placeholder pictures are replaced by real ones.

#include "appsetup.h"
#include "appshell.h"
#include "benchvault.h"
#include "librarycontroller.h"
#include "timelinebench.h"

#include <QCommandLineParser>
#include <QDir>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QQmlApplicationEngine>
#include <QQuickWindow>
#include <QScopeGuard>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <stdexcept>

namespace {

double percentile(QList<double> values, double fraction)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    return values.at(std::min<qsizetype>(values.size() - 1, qsizetype(fraction * values.size())));
}

QString fixed(double value, int decimals = 1)
{
    return QString::number(value, 'f', decimals);
}

QString mib(qint64 kib)
{
    return fixed(double(kib) / 1024.0) + QStringLiteral(" MiB");
}

QString frameLine(const QList<double>& frames)
{
    const double max = percentile(frames, 1.0);
    const auto over = [&](double limit) {
        return std::count_if(frames.cbegin(), frames.cend(), [&](double f) { return f > limit; });
    };
    return QStringLiteral("%1 frames: p50 %2 ms, p95 %3 ms, max %4 ms, over 16 ms: %5, over 32 ms: "
                          "%6 (target: none over 32 ms: %7)")
        .arg(frames.size())
        .arg(fixed(percentile(frames, 0.5)), fixed(percentile(frames, 0.95)), fixed(max))
        .arg(over(16))
        .arg(over(32))
        .arg(max <= 32 ? QStringLiteral("ok") : QStringLiteral("MISS"));
}

QString cpuLine(const QList<double>& frames)
{
    return QStringLiteral("p50 %1 ms, p95 %2 ms, max %3 ms")
        .arg(fixed(percentile(frames, 0.5)), fixed(percentile(frames, 0.95)),
             fixed(percentile(frames, 1.0)));
}

} // namespace

int main(int argc, char* argv[])
{
    BenchVault::useFixedTimeZone();
    QGuiApplication app(argc, argv);
    configureApplication(app);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Times the memo timeline on a generated vault: first screen, scrolling, "
                       "memory."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("vault"), QStringLiteral("A generated vault."));
    const QCommandLineOption step(QStringLiteral("step"),
                                  QStringLiteral("Pixels a frame through the whole stream (600)."),
                                  QStringLiteral("pixels"), QStringLiteral("600"));
    const QCommandLineOption workDir(QStringLiteral("work-dir"),
                                     QStringLiteral("Where to copy the vault."),
                                     QStringLiteral("dir"), QDir::tempPath());
    const QCommandLineOption frames(QStringLiteral("frames"),
                                    QStringLiteral("At most this many frames through the stream."),
                                    QStringLiteral("n"), QStringLiteral("-1"));
    parser.addOptions({step, workDir, frames});
    parser.process(app);
    const QStringList args = parser.positionalArguments();
    QTextStream out(stdout);
    if (args.size() != 1 || parser.value(step).toDouble() <= 0) {
        QTextStream(stderr) << parser.helpText();
        return 2;
    }
    const QString vault = QDir::cleanPath(QDir::current().absoluteFilePath(args.first()));

    // Inside the event loop: rows leaving the list are deleted later, which only happens while
    // the loop runs.
    int status = 0;
    QTimer::singleShot(0, &app, [&]() {
        try {
            if (!QFileInfo::exists(vault + QStringLiteral("/.larch/memo-index.json")))
                throw std::runtime_error("no generated vault at " + vault.toStdString());
            const QString copy =
                QDir(parser.value(workDir))
                    .absoluteFilePath(QStringLiteral("larch-bench-timeline-%1")
                                          .arg(QCoreApplication::applicationPid()));
            if (QProcess::execute(QStringLiteral("cp"), {QStringLiteral("-a"), vault, copy}) != 0)
                throw std::runtime_error("cannot copy the vault to " + copy.toStdString());
            const auto cleanUp = qScopeGuard([&] { QDir(copy).removeRecursively(); });
            TimelineBench::makePicturesDecodable(copy);

            QTemporaryDir preferences;
            QSettings settings(preferences.filePath(QStringLiteral("settings.ini")),
                               QSettings::IniFormat);
            LibraryController library(&settings, copy);
            AppShell shell(&library);
            QQmlApplicationEngine engine;
            prepareEngine(engine);
            QQuickWindow* window = loadMainWindow(engine, shell);
            if (!window)
                throw std::runtime_error("the main window did not load");
            TimelineBench::FrameClock clock(window);
            window->show();
            shell.start();
            const TimelineBench::FirstScreen first = TimelineBench::timeFirstScreen(window);
            const qint64 afterFirstScreen = TimelineBench::residentKib();
            // The search index is built on other threads once the vault is published; scroll
            // once it is there, as a person would a moment after the window appears.
            TimelineBench::waitUntil([&] { return !library.tags().isEmpty(); }, 120000);
            const TimelineBench::FirstScreen pictures =
                TimelineBench::timeScreenWithPictures(window, clock);
            const QList<double> floor = TimelineBench::redrawFloor(window, clock, 200);
            const TimelineBench::Scroll brisk = TimelineBench::scrollStream(window, clock, 60, 400);
            const TimelineBench::Scroll whole = TimelineBench::scrollStream(
                window, clock, parser.value(step).toDouble(), parser.value(frames).toInt());

            const qint64 growth = whole.residentKib.last() - whole.residentKib.first();
            out << "vault: " << vault << " (" << library.memos().size() << " memos)\n"
                << "first screen of the timeline: " << fixed(first.milliseconds)
                << " ms from its first"
                << " frame to the frame with its " << first.rows << " rows and " << first.pictures
                << " pictures\n"
                << "a screen half way down, with pictures: " << fixed(pictures.milliseconds)
                << " ms from the jump to the frame with its " << pictures.rows << " rows and "
                << pictures.pictures << " pictures decoded\n"
                << "redrawing the rows in view (the renderer alone): p50 "
                << fixed(percentile(floor, 0.5)) << " ms, p95 " << fixed(percentile(floor, 0.95))
                << " ms\n"
                << "brisk scroll, 60 px a frame: " << frameLine(brisk.frameMilliseconds) << "\n"
                << "  interface thread CPU: " << cpuLine(brisk.cpuMilliseconds) << "\n"
                << "whole stream, " << parser.value(step) << " px a frame, " << whole.rowsPassed
                << " rows: " << frameLine(whole.frameMilliseconds) << "\n"
                << "  interface thread CPU: " << cpuLine(whole.cpuMilliseconds) << "\n"
                << "resident memory: " << mib(afterFirstScreen)
                << " after the first screen; after each"
                << " quarter of the stream " << mib(whole.residentKib.at(0)) << ", "
                << mib(whole.residentKib.at(1)) << ", " << mib(whole.residentKib.at(2)) << ", "
                << mib(whole.residentKib.at(3)) << " (first to last quarter: " << mib(growth)
                << ")\n";
            const QJsonObject json{
                {QStringLiteral("memos"), int(library.memos().size())},
                {QStringLiteral("first_screen_ms"), first.milliseconds},
                {QStringLiteral("first_screen_rows"), first.rows},
                {QStringLiteral("pictures_screen_ms"), pictures.milliseconds},
                {QStringLiteral("redraw_p50_ms"), percentile(floor, 0.5)},
                {QStringLiteral("brisk_frame_p95_ms"), percentile(brisk.frameMilliseconds, 0.95)},
                {QStringLiteral("brisk_frame_max_ms"), percentile(brisk.frameMilliseconds, 1.0)},
                {QStringLiteral("stream_frames"), int(whole.frameMilliseconds.size())},
                {QStringLiteral("stream_frame_p50_ms"), percentile(whole.frameMilliseconds, 0.5)},
                {QStringLiteral("stream_frame_p95_ms"), percentile(whole.frameMilliseconds, 0.95)},
                {QStringLiteral("stream_frame_max_ms"), percentile(whole.frameMilliseconds, 1.0)},
                {QStringLiteral("brisk_cpu_max_ms"), percentile(brisk.cpuMilliseconds, 1.0)},
                {QStringLiteral("stream_cpu_p95_ms"), percentile(whole.cpuMilliseconds, 0.95)},
                {QStringLiteral("stream_cpu_max_ms"), percentile(whole.cpuMilliseconds, 1.0)},
                {QStringLiteral("rss_first_screen_kib"), double(afterFirstScreen)},
                {QStringLiteral("rss_quarters_kib"),
                 QJsonArray{double(whole.residentKib.at(0)), double(whole.residentKib.at(1)),
                            double(whole.residentKib.at(2)), double(whole.residentKib.at(3))}},
            };
            out << QJsonDocument(json).toJson(QJsonDocument::Compact) << "\n";
        } catch (const std::exception& error) {
            QTextStream(stderr) << "larch-bench-timeline: " << error.what() << "\n";
            status = 1;
        }
        app.quit();
    });
    app.exec();
    return status;
}
