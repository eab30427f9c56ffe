#pragma once

#include <QUrl>

class QGuiApplication;
class QQmlEngine;

// Names, icon, font and controls style of the application, shared by the program and the tests
// that show its window.
void configureApplication(QGuiApplication& app);

// Registers the QML types the window needs and makes its modules importable.
void prepareEngine(QQmlEngine& engine);

// The main window's QML document.
QUrl mainWindowUrl();
