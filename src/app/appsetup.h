#pragma once

#include <QUrl>

class QGuiApplication;
class QObject;
class QQmlEngine;
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
