#include "appsetup.h"

#include "libraryqmltypes.h"

#include <QFont>
#include <QGuiApplication>
#include <QIcon>
#include <QQmlEngine>
#include <QQuickStyle>
#include <QtQml/qqmlextensionplugin.h>

// Both QML modules are linked in statically.
Q_IMPORT_QML_PLUGIN(LarchNotes_AppPlugin)
Q_IMPORT_QML_PLUGIN(LarchNotes_UiPlugin)

void configureApplication(QGuiApplication& app)
{
    // The preferences file is ~/.config/larch-notes/larch-notes.conf.
    QGuiApplication::setOrganizationName(QStringLiteral("larch-notes"));
    QGuiApplication::setApplicationName(QStringLiteral("larch-notes"));
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Larch Notes"));
    QGuiApplication::setDesktopFileName(QStringLiteral("larch-notes"));
    app.setWindowIcon(QIcon(QStringLiteral(":/LarchNotes/App/larch-notes.svg")));

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
