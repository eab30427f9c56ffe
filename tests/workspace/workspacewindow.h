#pragma once

// Shared by the workspace's window tests: the main window on a loaded temporary vault, showing
// the workspace, with the named items a user would click.

#include "apptestsupport.h"

#include <QtQuickTest/quicktest.h>

#include <functional>

struct WorkspaceWindow
{
    Sandbox sandbox;
    std::unique_ptr<LibraryController> library;
    std::unique_ptr<MainWindow> main;

    // `prepare` writes the vault's files before it is loaded.
    explicit WorkspaceWindow(const std::function<void(Sandbox&)>& prepare)
    {
        prepare(sandbox);
        library = std::make_unique<LibraryController>(sandbox.settings(), sandbox.vault());
        main = std::make_unique<MainWindow>(library.get());
        main->window->show();
        QVERIFY(QTest::qWaitForWindowExposed(main->window));
        main->shell.start();
        QTRY_COMPARE(main->screenName(), QStringLiteral("rootView"));
    }

    QQuickItem* item(const QString& name) const { return main->item(name); }
    QObject* navigation() const
    {
        return item(QStringLiteral("rootView"))->property("navigation").value<QObject*>();
    }
    // Clicks a named item once it is shown and laid out (positioners and layouts place a new
    // item on the next frame).
    void click(const QString& name) const
    {
        QQuickItem* target = nullptr;
        QTRY_VERIFY2((target = item(name)) && target->isVisible() &&
                         !QQuickTest::qIsPolishScheduled(main->window),
                     qPrintable(name));
        main->click(target);
    }
};
