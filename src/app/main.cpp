#include "appsetup.h"
#include "appshell.h"
#include "librarycontroller.h"
#include "quitsignals.h"

#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQuickWindow>
#include <QSettings>
#include <QTimer>

// Qt WebEngine and the editor's asset scheme are set up as the program starts (appsetup.cpp),
// before the application object exists.
int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    configureApplication(app);

    QSettings settings;
    LibraryController library(&settings);
    AppShell shell(&library);

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
    QObject::connect(&app, &QGuiApplication::applicationStateChanged, &shell,
                     &AppShell::setApplicationState);
    // A quit by signal goes through the same flush (on aboutToQuit) as closing the window.
    QuitSignals quitSignals;
    QObject::connect(&quitSignals, &QuitSignals::received, &app, &QCoreApplication::quit);
    // The first load starts once the window is on screen.
    QTimer::singleShot(0, &shell, &AppShell::start);
    return app.exec();
}
