// larch-screenshots OUTPUT-FOLDER [--dark]
//
// Renders the main window in each of its states off-screen and writes one PNG per state, light
// and dark, so the interface can be reviewed without a display. Every state runs on a throwaway
// vault and preferences file; nothing outside the temporary folder is touched. The controls
// take their palette when the first window is made, so the dark pass runs in a second process.

#include "appsetup.h"
#include "appshell.h"
#include "librarycontroller.h"
#include "timelinescreenshots.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QPalette>
#include <QProcess>
#include <QQmlApplicationEngine>
#include <QQuickWindow>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextStream>

#include <functional>
#include <memory>

namespace {

// Runs the event loop until `done` holds or the time is up.
bool waitFor(const std::function<bool()>& done, int milliseconds = 10000)
{
    QDeadlineTimer deadline(milliseconds);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

void settle(int milliseconds)
{
    waitFor([] { return false; }, milliseconds);
}

QPalette darkPalette()
{
    QPalette palette;
    palette.setColor(QPalette::Window, QColor(0x25, 0x25, 0x27));
    palette.setColor(QPalette::WindowText, QColor(0xec, 0xec, 0xee));
    palette.setColor(QPalette::Base, QColor(0x1e, 0x1e, 0x20));
    palette.setColor(QPalette::AlternateBase, QColor(0x2c, 0x2c, 0x2e));
    palette.setColor(QPalette::Text, QColor(0xec, 0xec, 0xee));
    palette.setColor(QPalette::Button, QColor(0x3a, 0x3a, 0x3c));
    palette.setColor(QPalette::ButtonText, QColor(0xec, 0xec, 0xee));
    palette.setColor(QPalette::Highlight, QColor(0x2f, 0x7d, 0xe1));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::ToolTipBase, QColor(0x3a, 0x3a, 0x3c));
    palette.setColor(QPalette::ToolTipText, QColor(0xec, 0xec, 0xee));
    return palette;
}

struct State
{
    const char* name;
    // Prepares the temporary folder and returns the vault path, or an empty string for a first
    // launch without a vault.
    std::function<QString(const QString& folder)> prepare;
    bool start;
    std::function<bool(LibraryController&)> ready;
    // What the user does before the picture is taken, if anything.
    std::function<void(LibraryController&)> then = {};
};

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

} // namespace

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    QStringList arguments = QCoreApplication::arguments();
    const bool dark = arguments.removeAll(QStringLiteral("--dark")) > 0;
    if (arguments.size() != 2) {
        QTextStream(stderr) << "usage: larch-screenshots OUTPUT-FOLDER\n";
        return 2;
    }
    if (dark)
        QGuiApplication::setPalette(darkPalette());
    configureApplication(app);
    const QString output = arguments.at(1);
    if (!QDir().mkpath(output)) {
        QTextStream(stderr) << "cannot create " << output << '\n';
        return 1;
    }

    using Phase = LibraryController::LoadPhase;
    // A vault whose parent is a regular file cannot be prepared.
    const auto blockedVault = [](const QString& folder) {
        writeFile(folder + QStringLiteral("/blocker"), "not a folder");
        return folder + QStringLiteral("/blocker/vault");
    };
    const QList<State> states = {
        {"vault-setup", [](const QString&) { return QString(); }, false,
         [](LibraryController&) { return true; }},
        {"restoring", [](const QString& folder) { return folder + QStringLiteral("/vault"); },
         false, [](LibraryController&) { return true; }},
        {"load-failure-alert", blockedVault, true,
         [](LibraryController& library) { return library.loadPhase() == Phase::Failed; }},
        {"load-failure", blockedVault, true,
         [](LibraryController& library) { return library.loadPhase() == Phase::Failed; },
         [](LibraryController& library) { library.dismissAlert(); }},
        {"workspace",
         [](const QString& folder) {
             const QString vault = folder + QStringLiteral("/vault");
             writeFile(vault + QStringLiteral("/欢迎.md"), "# 欢迎\n\n第一篇文章。\n");
             writeFile(vault + QStringLiteral("/读书/札记.md"), "# 札记\n");
             return vault;
         },
         true, [](LibraryController& library) { return library.loadPhase() == Phase::Ready; }},
    };

    int failures = 0;
    {
        for (const State& state : states) {
            QTemporaryDir folder;
            QSettings settings(folder.filePath(QStringLiteral("settings.ini")),
                               QSettings::IniFormat);
            const QString vault = state.prepare(folder.path());
            const auto owned = vault.isEmpty()
                                   ? std::make_unique<LibraryController>(&settings)
                                   : std::make_unique<LibraryController>(&settings, vault);
            LibraryController& library = *owned;
            AppShell shell(&library);
            QQmlApplicationEngine engine;
            prepareEngine(engine);
            engine.setInitialProperties({{QStringLiteral("shell"), QVariant::fromValue(&shell)}});
            engine.load(mainWindowUrl());
            auto* window = engine.rootObjects().isEmpty()
                               ? nullptr
                               : qobject_cast<QQuickWindow*>(engine.rootObjects().constFirst());
            if (!window)
                return 1;
            window->show();
            if (state.start)
                shell.start();
            if (!waitFor([&] { return state.ready(library); })) {
                QTextStream(stderr) << state.name << ": the state was not reached\n";
                ++failures;
                continue;
            }
            if (state.then)
                state.then(library);
            settle(400);
            const QString file = QStringLiteral("%1/%2%3.png")
                                     .arg(output, QLatin1String(state.name),
                                          dark ? QStringLiteral("-dark") : QString());
            if (!window->grabWindow().save(file)) {
                QTextStream(stderr) << "cannot write " << file << '\n';
                ++failures;
                continue;
            }
            QTextStream(stdout) << file << '\n';
        }
    }
    failures += renderTimelineScreens(output, dark);
    if (!dark) {
        const int darkPass = QProcess::execute(QCoreApplication::applicationFilePath(),
                                               {output, QStringLiteral("--dark")});
        if (darkPass != 0)
            ++failures;
    }
    return failures == 0 ? 0 : 1;
}
