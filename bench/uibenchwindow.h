#pragma once

// What the benchmarks of the window share: the main window as the application builds it,
// waiting on the event loop, and the figures' arithmetic. Header only: each benchmark is one
// program.

#include "appsetup.h"
#include "appshell.h"
#include "librarycontroller.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QQmlApplicationEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSettings>
#include <QTemporaryDir>

#include <algorithm>
#include <functional>
#include <stdexcept>

namespace {

double percentile(QList<double> values, double fraction)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    const qsizetype index =
        std::min<qsizetype>(values.size() - 1, qsizetype(fraction * double(values.size())));
    return values.at(index);
}

QString fixed(double value, int decimals = 1)
{
    return QString::number(value, 'f', decimals);
}

bool waitFor(const std::function<bool()>& done, int milliseconds = 600000)
{
    QDeadlineTimer deadline(milliseconds);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

// The main window as the application builds it, on its own preferences file.
class Window
{
public:
    // Starts reading the vault before the window's QML is loaded, as main() does.
    explicit Window(const QString& vault)
        : m_settings(m_dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat),
          m_library(&m_settings, vault), m_shell(&m_library)
    {
        m_shell.start();
        prepareEngine(m_engine);
        m_engine.setInitialProperties({{QStringLiteral("shell"), QVariant::fromValue(&m_shell)}});
        m_engine.load(mainWindowUrl());
        if (m_engine.rootObjects().isEmpty())
            throw std::runtime_error("the main window did not load");
        window = qobject_cast<QQuickWindow*>(m_engine.rootObjects().constFirst());
        QObject::connect(window, &QQuickWindow::frameSwapped, window, [this]() { ++frames; });
    }

    void show() { window->show(); }
    bool showsWorkspace() const { return m_shell.screen() == AppShell::Screen::Workspace; }
    LibraryController& library() { return m_library; }

    QQuickItem* item(const QString& name) const
    {
        return qobject_cast<QQuickItem*>(findInWindow(*window, name));
    }
    // Waits for the next frame to be on screen; false when none comes.
    bool nextFrame()
    {
        const int seen = frames;
        window->requestUpdate();
        return waitFor([&] { return frames > seen; }, 10000);
    }

    QQuickWindow* window = nullptr;
    int frames = 0;

private:
    QTemporaryDir m_dir;
    QSettings m_settings;
    LibraryController m_library;
    AppShell m_shell;
    QQmlApplicationEngine m_engine;
};

} // namespace
