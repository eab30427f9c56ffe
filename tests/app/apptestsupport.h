#pragma once

// Shared by the application tests: a throwaway vault and preferences file, and the main window
// loaded off-screen around a controller.

#include "appsetup.h"
#include "appshell.h"
#include "librarycontroller.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// A temporary folder holding the vault and the preferences file.
class Sandbox
{
public:
    Sandbox() : m_settings(m_dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat)
    {
        QDir().mkpath(vault());
    }
    QString vault() const { return m_dir.filePath(QStringLiteral("vault")); }
    QString path(const QString& name) const { return m_dir.filePath(name); }
    QSettings* settings() { return &m_settings; }

    static void write(const QString& file, const QByteArray& bytes)
    {
        QDir().mkpath(QFileInfo(file).absolutePath());
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(bytes);
    }
    static QByteArray read(const QString& file)
    {
        QFile in(file);
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
    }

private:
    QTemporaryDir m_dir;
    QSettings m_settings;
};

// The window as main() builds it, for a given controller.
class MainWindow
{
public:
    explicit MainWindow(LibraryController* library) : shell(library)
    {
        prepareEngine(engine);
        engine.setInitialProperties({{QStringLiteral("shell"), QVariant::fromValue(&shell)}});
        engine.load(mainWindowUrl());
        if (!engine.rootObjects().isEmpty())
            window = qobject_cast<QQuickWindow*>(engine.rootObjects().constFirst());
        if (window)
            shell.watchWindow(window);
    }

    template <typename T = QQuickItem> T* find(const char* name) const
    {
        return window ? window->findChild<T*>(QLatin1String(name)) : nullptr;
    }
    // A named item of the scene, also one made by a Repeater.
    QQuickItem* item(const QString& name) const
    {
        return window ? qobject_cast<QQuickItem*>(findInWindow(*window, name)) : nullptr;
    }
    // A property of a named object, one in the scene first (an open sheet before a closed one
    // with the same parts); invalid when the window has no such object.
    QVariant propertyOf(const char* name, const char* property) const
    {
        QObject* object = window ? findInWindow(*window, QLatin1String(name)) : nullptr;
        return object ? object->property(property) : QVariant();
    }
    // The text of a named item, or "<missing>" when the window has no such item.
    QString textOf(const char* name) const
    {
        const QVariant text = propertyOf(name, "text");
        return text.isValid() ? text.toString() : QStringLiteral("<missing>");
    }
    // The objectName of the screen the window shows.
    QString screenName() const
    {
        auto* loader = find<QObject>("screenLoader");
        auto* item = loader ? loader->property("item").value<QObject*>() : nullptr;
        return item ? item->objectName() : QString();
    }
    // Clicks the middle of an item, as the user would.
    void click(QQuickItem* item) const
    {
        QVERIFY(item);
        const QPointF centre = item->mapToScene(QPointF(item->width() / 2, item->height() / 2));
        QTest::mouseClick(window, Qt::LeftButton, Qt::NoModifier, centre.toPoint());
    }

    // Types `text` into the focused item, one key per character.
    void type(const QString& text) const
    {
        for (QChar c : text) {
            const Qt::Key key = c == QLatin1Char(' ') ? Qt::Key_Space : Qt::Key(0);
            QTest::sendKeyEvent(QTest::Click, window, key, QString(c), Qt::NoModifier);
        }
    }

    AppShell shell;
    QQmlApplicationEngine engine;
    QQuickWindow* window = nullptr;
};
