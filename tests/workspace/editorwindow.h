#pragma once

// Shared by the editor screen's window tests: the workspace window with the editor's pages, and
// ways to type into a page and read what it holds.

#include "markdowneditorcoordinator.h"
#include "workspacewindow.h"

#include <QJSEngine>

// Receives the result of a script run in a page.
class ScriptResult : public QObject
{
    Q_OBJECT

public:
    Q_INVOKABLE void take(const QVariant& value)
    {
        result = value;
        done = true;
    }
    QVariant result;
    bool done = false;
};

// The workspace window with the editor's pages.
struct EditorWindow : WorkspaceWindow
{
    using WorkspaceWindow::WorkspaceWindow;

    QQuickItem* visibleItem(const QString& name) const
    {
        QQuickItem* found = nullptr;
        const bool shown = QTest::qWaitFor([&] {
            found = item(name);
            return found && found->isVisible() && !QQuickTest::qIsPolishScheduled(main->window);
        });
        return shown ? found : nullptr;
    }
    QString read(const QString& path) const
    {
        return QString::fromUtf8(Sandbox::read(sandbox.vault() + QLatin1Char('/') + path));
    }

    // Opens an article in the editor and waits for its page; returns its editor.
    QQuickItem* open(const QString& path)
    {
        QMetaObject::invokeMethod(navigation(), "openArticle", Q_ARG(QString, path));
        return editor(QStringLiteral("markdownEditor:") + path);
    }
    QQuickItem* editor(const QString& name)
    {
        QQuickItem* view = nullptr;
        const bool ready = QTest::qWaitFor(
            [&] {
                view = item(name);
                return view && coordinator(view)->isReady();
            },
            60000);
        return ready ? view : nullptr;
    }
    static MarkdownEditorCoordinator* coordinator(QQuickItem* editor)
    {
        return editor->property("coordinator").value<MarkdownEditorCoordinator*>();
    }
    NoteEditorSession* session(const QString& path) const
    {
        for (NoteEditorSession* session : library->openSessions()) {
            if (session->path() == path)
                return session;
        }
        return nullptr;
    }

    // Puts the caret at the end of the editor's text, as a click and Ctrl+End would.
    void focusEnd(QQuickItem* editor)
    {
        auto* web = editor->property("webEngineView").value<QQuickItem*>();
        web->forceActiveFocus();
        evaluate(editor, QStringLiteral("document.querySelector('.cm-content').focus()"));
        QTest::keyClick(main->window, Qt::Key_End, Qt::ControlModifier);
        // Keys and scripts reach the page by different ways: a command sent next must find the
        // caret at the end already.
        coordinator(editor)->synchronizeAndWait(5000);
    }
    void type(const char* text)
    {
        for (; *text; ++text)
            QTest::keyClick(main->window, *text);
    }
    // Runs a script in the editor's page and returns its result.
    QVariant evaluate(QQuickItem* editor, const QString& script)
    {
        auto* web = editor->property("webEngineView").value<QQuickItem*>();
        QJSEngine* engine = qjsEngine(web);
        ScriptResult receiver;
        QJSEngine::setObjectOwnership(&receiver, QJSEngine::CppOwnership);
        const QJSValue callback =
            engine
                ->evaluate(QStringLiteral("(function (r) { return function (v) { r.take(v); }; })"))
                .call({engine->newQObject(&receiver)});
        QMetaObject::invokeMethod(web, "runJavaScript", Q_ARG(QString, script),
                                  Q_ARG(QJSValue, callback));
        if (!QTest::qWaitFor([&] { return receiver.done; }, 10000))
            return QStringLiteral("<no result>");
        return receiver.result;
    }
    QString pageText(QQuickItem* editor)
    {
        return evaluate(editor, QStringLiteral("window.larchNotesSnapshot().markdown")).toString();
    }
};
