#include "appsetup.h"
#include "appshell.h"
#include "librarycontroller.h"

#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQuickWindow>
#include <QSettings>
#include <QTimer>

int main(int argc, char* argv[])
{
    // ---- Editor host, before the application object exists ---------------------------------
    // QtWebEngineQuick::initialize() and the registration of the "larch-asset" URL scheme
    // belong here: both must run before QGuiApplication is constructed.
#ifdef LARCH_WITH_EDITOR
#endif
    // ------------------------------------------------------------------------------------------

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
    shell.watchWindow(window);
    QObject::connect(&app, &QGuiApplication::applicationStateChanged, &shell,
                     &AppShell::setApplicationState);
    // The first load starts once the window is on screen.
    QTimer::singleShot(0, &shell, &AppShell::start);
    return app.exec();
}
