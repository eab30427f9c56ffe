#pragma once

#include <QUrl>

#include <functional>

class AppShell;
class QGuiApplication;
class QObject;
class QQmlApplicationEngine;
class QQmlEngine;
class QQuickItem;
class QQuickWindow;
class QString;

// Names, icon, font and controls style of the application, shared by the program and the tests
// that show its window.
void configureApplication(QGuiApplication& app);

// Registers the QML types the window needs and makes its modules importable.
void prepareEngine(QQmlEngine& engine);

// The main window's QML document.
QUrl mainWindowUrl();

// The object named `name` in the window's scene, also an item a Repeater made (those have no
// QObject parent), or null; for the tools and tests that drive the window.
QObject* findInWindow(const QQuickWindow& window, const QString& name);
// The same among `root` and the items below it.
QQuickItem* findItemIn(QQuickItem* root, const QString& name);

// Loads the main window for `shell` into `engine` (prepared with prepareEngine); null when it
// does not load. For the tools that show the window.
QQuickWindow* loadMainWindow(QQmlApplicationEngine& engine, AppShell& shell);

// Runs the event loop until `done` holds; false when `milliseconds` passed first.
bool runEventsUntil(const std::function<bool()>& done, int milliseconds = 10000);
