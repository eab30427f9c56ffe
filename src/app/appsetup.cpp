#include "appsetup.h"

#include "appshell.h"
#include "libraryqmltypes.h"
#include "markdowneditorhost.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFont>
#include <QGuiApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QQmlApplicationEngine>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickStyle>
#include <QQuickWindow>
#include <QTranslator>
#include <QtQml/qqmlextensionplugin.h>

// The QML modules are linked in statically.
Q_IMPORT_QML_PLUGIN(LarchNotes_AppPlugin)
Q_IMPORT_QML_PLUGIN(LarchNotes_UiPlugin)
Q_IMPORT_QML_PLUGIN(LarchNotes_WorkspacePlugin)
Q_IMPORT_QML_PLUGIN(LarchNotes_EditorPlugin)

// Every program that shows the window (the application, its tests, the screenshots and the
// benchmarks) needs Qt WebEngine and the asset scheme set up before its application object
// exists: do it as the program starts.
Q_CONSTRUCTOR_FUNCTION(initializeMarkdownEditorHost)

void configureApplication(QGuiApplication& app)
{
    // The preferences file is ~/.config/larch-notes/larch-notes.conf.
    QGuiApplication::setOrganizationName(QStringLiteral("larch-notes"));
    QGuiApplication::setApplicationName(QStringLiteral("larch-notes"));
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Larch Notes"));
    QGuiApplication::setApplicationVersion(QStringLiteral(LARCH_VERSION));
    // Wayland compositors find the window's .desktop file, and so its icon, by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral(LARCH_APP_ID));
    app.setWindowIcon(QIcon(QStringLiteral(":/LarchNotes/App/larch-notes.svg")));

    // The interface is Chinese: Qt's own texts (the folder picker's buttons) follow suit.
    auto* translator = new QTranslator(&app);
    if (translator->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qt"),
                         QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);
    else
        qWarning("Qt's Chinese translations are not installed; dialogs show English buttons.");

    QFont font(QStringLiteral("Noto Sans CJK SC"));
    font.setPixelSize(13);
    QGuiApplication::setFont(font);

    // Fusion follows the desktop palette, light or dark, and draws the same everywhere.
    QQuickStyle::setStyle(QStringLiteral("Fusion"));
}

void prepareEngine(QQmlEngine& engine)
{
    registerLibraryQmlTypes();
    // The modules' qmldir files are in the resources, under qrc:/LarchNotes/...
    engine.addImportPath(QStringLiteral("qrc:/"));
}

QUrl mainWindowUrl()
{
    return QUrl(QStringLiteral("qrc:/LarchNotes/App/Main.qml"));
}

QQuickItem* findItemIn(QQuickItem* root, const QString& name)
{
    QList<QQuickItem*> pending{root};
    while (!pending.isEmpty()) {
        QQuickItem* next = pending.takeLast();
        if (!next)
            continue;
        if (next->objectName() == name)
            return next;
        pending.append(next->childItems());
    }
    return nullptr;
}

QObject* findInWindow(const QQuickWindow& window, const QString& name)
{
    if (QQuickItem* item = findItemIn(window.contentItem(), name))
        return item;
    return window.findChild<QObject*>(name);
}

QQuickWindow* loadMainWindow(QQmlApplicationEngine& engine, AppShell& shell)
{
    engine.setInitialProperties({{QStringLiteral("shell"), QVariant::fromValue(&shell)}});
    engine.load(mainWindowUrl());
    return engine.rootObjects().isEmpty()
               ? nullptr
               : qobject_cast<QQuickWindow*>(engine.rootObjects().constFirst());
}

bool runEventsUntil(const std::function<bool()>& done, int milliseconds)
{
    QDeadlineTimer deadline(milliseconds);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}
