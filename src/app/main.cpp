#include "appsetup.h"
#include "appshell.h"
#include "launchoptions.h"
#include "librarycontroller.h"
#include "processsetup.h"
#include "quitsignals.h"

#include <QDir>
#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQuickWindow>
#include <QSettings>

#include <cstdio>

// Qt WebEngine and the editor's asset scheme are set up as the program starts (appsetup.cpp),
// before the application object exists.
int main(int argc, char* argv[])
{
    QStringList commandLine;
    for (int i = 0; i < argc; ++i)
        commandLine.append(QString::fromLocal8Bit(argv[i]));
    if (const std::optional<QString> information = launchInformation(commandLine)) {
        std::fputs(information->toLocal8Bit().constData(), stdout);
        return 0;
    }

    prepareProcess(argv);
    QGuiApplication app(argc, argv);
    configureApplication(app);

    const LaunchOptions launch =
        parseLaunchOptions(QCoreApplication::arguments(), QDir::currentPath());
    if (!launch.usageError.isEmpty()) {
        std::fprintf(stderr, "%s\n", launch.usageError.toLocal8Bit().constData());
        return 2;
    }
    QSettings settings;
    const std::unique_ptr<LibraryController> library = makeLibraryController(&settings, launch);
    AppShell shell(library.get());
    // The vault is read on the storage thread while the window's QML is compiled; the window
    // shows the restoring screen until it is ready.
    shell.start();

    QQmlApplicationEngine engine;
    prepareEngine(engine);
    engine.setInitialProperties({{QStringLiteral("shell"), QVariant::fromValue(&shell)}});
    engine.load(mainWindowUrl());
    if (engine.rootObjects().isEmpty())
        return 1;
    auto* window = qobject_cast<QQuickWindow*>(engine.rootObjects().constFirst());
    if (!window)
        return 1;
    shell.watchWindow(window);
    window->show();
    // Once the window exists, so that its alert sees the text arrive.
    if (!launch.folderProblem.isEmpty())
        shell.showAlert(launch.folderProblem);
    QObject::connect(&app, &QGuiApplication::applicationStateChanged, &shell,
                     &AppShell::setApplicationState);
    // A quit by signal goes through the same flush (on aboutToQuit) as closing the window.
    QuitSignals quitSignals;
    QObject::connect(&quitSignals, &QuitSignals::received, &app, &QCoreApplication::quit);
    return app.exec();
}
