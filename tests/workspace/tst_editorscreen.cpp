// The article editor screen and the full memo editor in the real window, with the real editor
// page in Qt WebEngine, off-screen: the user types, switches and closes tabs, uses the command
// bar, the dialogs and the reference panel, goes back from the memo editor and quits, and the
// vault's bytes hold every keystroke afterwards.

#include "editorwindow.h"
#include "memoeditorstate.h"

#include <QBuffer>
#include <QImage>
#include <QJSEngine>
#include <QSignalSpy>
#include <QTcpServer>

namespace {

QString today()
{
    return QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
}

} // namespace

class EditorScreenTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { configureApplication(*qGuiApp); }

    // Two tabs typed in turn, with a tab switched and one closed right after typing; the command
    // bar's buttons and menus edit the text, each command once; autosave and quitting right
    // after typing leave every keystroke in the files.
    void tabsCommandsAndQuitting()
    {
        EditorWindow window([](Sandbox& sandbox) {
            Sandbox::write(sandbox.vault() + QStringLiteral("/a.md"), "# A\n\nalpha\n");
            Sandbox::write(sandbox.vault() + QStringLiteral("/b.md"), "# B\n\nbeta\n");
        });
        QQuickItem* a = window.open(QStringLiteral("a.md"));
        QVERIFY(a);
        window.focusEnd(a);
        window.type("one");
        QQuickItem* b = window.open(QStringLiteral("b.md"));
        QVERIFY(b);
        window.focusEnd(b);
        window.type("two");
        // Ctrl+F in the editor opens its search, which follows to the other tab; closing the
        // bar clears the highlights.
        const QString matches =
            QStringLiteral("document.querySelectorAll('.cm-larch-search-match').length");
        QTest::keyClick(window.main->window, Qt::Key_F, Qt::ControlModifier);
        QTRY_VERIFY(window.item(QStringLiteral("contentSearchField"))->hasActiveFocus());
        window.main->type(QStringLiteral("alpha"));
        window.click(QStringLiteral("tab:a.md"));
        QTRY_COMPARE_WITH_TIMEOUT(window.evaluate(a, matches).toInt(), 1, 10000);
        window.click(QStringLiteral("contentSearchClose"));
        QTRY_COMPARE_WITH_TIMEOUT(window.evaluate(a, matches).toInt(), 0, 10000);
        // Back to a and typing, then at once to b and typing, then a's tab closed at once.
        window.click(QStringLiteral("tab:a.md"));
        window.focusEnd(a);
        window.type("three");
        window.main->click(window.item(QStringLiteral("tab:b.md")));
        window.focusEnd(b);
        window.type("four");
        window.main->click(window.item(QStringLiteral("closeTab:a.md")));
        QTRY_COMPARE_WITH_TIMEOUT(window.library->openSessions().size(), 1, 10000);
        QCOMPARE(window.read(QStringLiteral("a.md")), QStringLiteral("# A\n\nalpha\nonethree"));
        NoteEditorSession* sessionB = window.session(QStringLiteral("b.md"));
        QTRY_COMPARE_WITH_TIMEOUT(window.read(QStringLiteral("b.md")),
                                  QStringLiteral("# B\n\nbeta\ntwofour"), 10000);
        QTRY_COMPARE(sessionB->saveState(), NoteEditorSession::SaveState::Saved);

        // Commands: a list, bold around typed text, today's date from the insert menu.
        const QSignalSpy scripts(EditorWindow::coordinator(b),
                                 &MarkdownEditorCoordinator::scriptRequested);
        QTest::keyClick(window.main->window, Qt::Key_Return);
        // Keys and commands reach the page by different ways: a command waits for the key.
        EditorWindow::coordinator(b)->synchronizeAndWait(5000);
        window.click(QStringLiteral("command:bullet"));
        window.focusEnd(b);
        window.click(QStringLiteral("command:strong"));
        QTRY_VERIFY(sessionB->markdown().endsWith(QLatin1String("****")));
        // A person's next key comes a moment after the click; keys sent within a few
        // milliseconds can reach the page before it has placed the caret between the marks.
        QTest::qWait(150);
        window.type("bold");
        QTest::keyClick(window.main->window, Qt::Key_End);
        EditorWindow::coordinator(b)->synchronizeAndWait(5000);
        window.click(QStringLiteral("commandGroup:insert"));
        window.click(QStringLiteral("menuEntry:date"));
        // Choosing an entry closes the menu.
        QTRY_COMPARE(window.item(QStringLiteral("editorScreen"))->property("expandedCommandGroup"),
                     QVariant(QString()));
        const QString expected = QStringLiteral("# B\n\nbeta\ntwofour\n- **bold**") + today();
        QTRY_COMPARE_WITH_TIMEOUT(sessionB->markdown(), expected, 10000);
        QCOMPARE(window.pageText(b), expected);
        // Each command reached the page once, also after the screen was redrawn.
        window.click(QStringLiteral("commandGroup:text"));
        window.click(QStringLiteral("commandGroup:text"));
        int commands = 0;
        for (const QList<QVariant>& call : scripts)
            commands += call.at(0).toString().contains(QLatin1String("PerformCommand")) ? 1 : 0;
        QCOMPARE(commands, 3);
        QVERIFY(window.item(QStringLiteral("command:bullet"))->property("active").toBool());

        // Leaving the editor right after typing: its page stays, hands the key over, and is
        // there again on the way back.
        window.focusEnd(b);
        window.type("?");
        window.click(QStringLiteral("timelineEntry"));
        QTRY_COMPARE_WITH_TIMEOUT(sessionB->markdown(), expected + QStringLiteral("?"), 10000);
        window.open(QStringLiteral("b.md"));
        QCOMPARE(window.editor(QStringLiteral("markdownEditor:b.md")), b);

        // Quitting right after typing.
        window.focusEnd(b);
        window.type("!");
        window.main->shell.flushBeforeQuit();
        QCOMPARE(window.read(QStringLiteral("b.md")), expected + QStringLiteral("?!"));
    }

    // Rename and trash through their dialogs; a memo reference inserted from the panel; the
    // full memo editor saves what was typed when "返回记录" is pressed at once.
    void dialogsReferencesAndMemoEditor()
    {
        EditorWindow window([](Sandbox& sandbox) {
            Sandbox::write(sandbox.vault() + QStringLiteral("/Notes/plan.md"), "# Plan\n\n");
            const VaultRepository repository(sandbox.vault());
            repository.prepareLayout();
            repository.createMemo(QStringLiteral("京都的红叶"),
                                  QDateTime(QDate(2024, 5, 1), QTime(9, 30)), {}, {});
        });
        const MemoRecord memo = window.library->memos().first();
        QQuickItem* editor = window.open(QStringLiteral("Notes/plan.md"));
        QVERIFY(editor);

        window.focusEnd(editor);
        window.click(QStringLiteral("toggleReferencePanel"));
        QQuickItem* query = window.visibleItem(QStringLiteral("referenceQueryField"));
        QVERIFY(query);
        QTRY_VERIFY(query->hasActiveFocus());
        QQuickItem* prompt = window.visibleItem(QStringLiteral("referencePrompt"));
        QVERIFY(prompt);
        QCOMPARE(prompt->property("title"), QVariant(QStringLiteral("搜索过去的记录")));
        window.main->type(QStringLiteral("红叶"));
        window.click(QStringLiteral("insertReference:") + memo.id);
        const QString reference =
            window.library->memoReferenceMarkdown(memo, QStringLiteral("Notes/plan.md"));
        NoteEditorSession* session = window.session(QStringLiteral("Notes/plan.md"));
        QTRY_COMPARE_WITH_TIMEOUT(session->markdown(), QStringLiteral("# Plan\n\n") + reference,
                                  10000);
        QVERIFY(window.item(QStringLiteral("referencePanel"))->isVisible()); // stays open

        // Typing, then renaming through the dialog.
        window.focusEnd(editor);
        window.type(" ok");
        window.click(QStringLiteral("articleActions"));
        window.click(QStringLiteral("menuEntry:rename"));
        QQuickItem* field = window.visibleItem(QStringLiteral("renameField"));
        QVERIFY(field);
        QCOMPARE(field->property("text").toString(), QStringLiteral("plan"));
        QTRY_VERIFY(field->hasActiveFocus());
        window.main->type(QStringLiteral("计划"));
        window.click(QStringLiteral("renameButton"));
        QTRY_VERIFY_WITH_TIMEOUT(
            QFileInfo::exists(window.sandbox.vault() + QStringLiteral("/Notes/计划.md")), 10000);
        QVERIFY(!QFileInfo::exists(window.sandbox.vault() + QStringLiteral("/Notes/plan.md")));
        QCOMPARE(window.read(QStringLiteral("Notes/计划.md")),
                 QStringLiteral("# Plan\n\n") + reference + QStringLiteral(" ok"));

        // Trash.
        window.click(QStringLiteral("articleActions"));
        window.click(QStringLiteral("menuEntry:trash"));
        window.click(QStringLiteral("confirmTrashButton"));
        QTRY_VERIFY_WITH_TIMEOUT(window.library->openSessions().isEmpty(), 10000);
        QVERIFY(QFileInfo::exists(window.sandbox.vault() + QStringLiteral("/.Trash/计划.md")));
        QVERIFY(window.visibleItem(QStringLiteral("noArticleSelected")));

        // The full memo editor.
        window.navigation()->setProperty("expandedMemoId", memo.id);
        QQuickItem* memoEditor = window.editor(QStringLiteral("markdownEditor:memo:") + memo.id);
        QVERIFY(memoEditor);
        QCOMPARE(window.main->textOf("memoEditorTitle"), QStringLiteral("2024-05-01 · 09:30"));
        window.focusEnd(memoEditor);
        window.type(" and more");
        window.click(QStringLiteral("memoEditorBack"));
        QTRY_VERIFY_WITH_TIMEOUT(
            window.navigation()->property("expandedMemoId").toString().isEmpty(), 10000);
        QCOMPARE(window.library->memo(memo.id)->markdown, QStringLiteral("京都的红叶 and more"));
        QVERIFY2(window.read(memo.journalPath).contains(QStringLiteral("京都的红叶 and more")),
                 qPrintable(window.read(memo.journalPath)));
    }

    // The full memo editor and changes of its memo made elsewhere: a clean editor takes them in
    // (the page too: what is typed next goes after them); unsaved words bring the bar at once
    // and "保留我的版本" writes them over; quitting with the conflict open keeps them in the trash.
    void memoEditorOutsideChanges()
    {
        EditorWindow window([](Sandbox& sandbox) {
            const VaultRepository repository(sandbox.vault());
            repository.prepareLayout();
            repository.createMemo(QStringLiteral("京都"),
                                  QDateTime(QDate(2024, 5, 1), QTime(9, 30)), {}, {});
        });
        const MemoRecord memo = window.library->memos().first();
        const QString file = window.sandbox.vault() + QLatin1Char('/') + memo.journalPath;
        const auto rewrite = [&](const char* from, const char* to) {
            Sandbox::write(file, window.read(memo.journalPath)
                                     .replace(QString::fromUtf8(from), QString::fromUtf8(to))
                                     .toUtf8());
        };
        const auto bar = [&] { return window.item(QStringLiteral("conflictBar"))->isVisible(); };
        window.navigation()->setProperty("expandedMemoId", memo.id);
        QQuickItem* editor = window.editor(QStringLiteral("markdownEditor:memo:") + memo.id);
        QVERIFY(editor);
        QTest::qWait(MemoEditorState::autosaveMilliseconds + 200);

        rewrite("京都", "奈良");
        QTRY_COMPARE_WITH_TIMEOUT(window.pageText(editor), QStringLiteral("奈良"), 2000);
        QVERIFY(!bar());
        window.focusEnd(editor);
        window.type(" deer");
        QTRY_VERIFY(window.read(memo.journalPath).contains(QStringLiteral("\n奈良 deer\n")));

        window.type(" park");
        window.coordinator(editor)->synchronizeAndWait(5000);
        rewrite("奈良 deer", "大阪");
        QTRY_VERIFY_WITH_TIMEOUT(bar(), 2000);
        QTest::qWait(MemoEditorState::autosaveMilliseconds + 200);
        QVERIFY(window.read(memo.journalPath).contains(QStringLiteral("\n大阪\n")));
        window.click(QStringLiteral("conflictKeepMine"));
        QTRY_VERIFY(window.read(memo.journalPath).contains(QStringLiteral("\n奈良 deer park\n")));
        QTRY_VERIFY(!bar());

        window.focusEnd(editor);
        window.type("!");
        window.coordinator(editor)->synchronizeAndWait(5000);
        rewrite("奈良 deer park", "神户");
        QTRY_VERIFY_WITH_TIMEOUT(bar(), 2000);
        window.main->shell.flushBeforeQuit();
        QVERIFY(window.read(memo.journalPath).contains(QStringLiteral("\n神户\n")));
        const QDir trash(window.sandbox.vault() + QStringLiteral("/.Trash"));
        QCOMPARE(trash.entryList(QDir::Files).size(), 1);
        QCOMPARE(window.read(QStringLiteral(".Trash/") + trash.entryList(QDir::Files).first()),
                 QStringLiteral("奈良 deer park!\n"));
    }

    // A remote image shows its address and is never requested; patches the host cannot apply
    // make it take the page's text, so what is saved is what the page shows.
    void remoteImagesAndBadPatches()
    {
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        const QString address =
            QStringLiteral("http://127.0.0.1:%1/secret.png").arg(server.serverPort());
        int connections = 0;
        QObject::connect(&server, &QTcpServer::newConnection, [&] { ++connections; });
        EditorWindow window([&](Sandbox& sandbox) {
            Sandbox::write(sandbox.vault() + QStringLiteral("/photo.md"),
                           QStringLiteral("# Photo\n\n![远方](%1)\n").arg(address).toUtf8());
        });
        QQuickItem* editor = window.open(QStringLiteral("photo.md"));
        QVERIFY(editor);
        QTRY_COMPARE_WITH_TIMEOUT(
            window
                .evaluate(editor, QStringLiteral("(function () { var e = document.querySelector("
                                                 "'.cm-md-image-remote-address');"
                                                 " return e ? e.textContent : ''; })()"))
                .toString(),
            address, 10000);
        QCOMPARE(window.evaluate(editor, QStringLiteral("document.images.length")).toInt(), 0);

        window.focusEnd(editor);
        window.type("ok");
        NoteEditorSession* session = window.session(QStringLiteral("photo.md"));
        const QString typed = QStringLiteral("# Photo\n\n![远方](%1)\nok").arg(address);
        QTRY_COMPARE_WITH_TIMEOUT(session->markdown(), typed, 10000);
        // A patch whose second range lies outside the text: the host applies the first, sees
        // the second fail, and takes the page's text, which never had either.
        MarkdownEditorCoordinator* coordinator = EditorWindow::coordinator(editor);
        const qint64 revision = coordinator->currentRevision();
        const auto inject = [&](qint64 base, qint64 next) {
            window.evaluate(editor,
                            QStringLiteral("window.webkit.messageHandlers.larchNotes.postMessage("
                                           "{type: 'markdownPatch', documentID: 'photo.md',"
                                           " baseRevision: %1, revision: %2, patches: ["
                                           "{from: 0, to: 0, insert: 'GHOST'},"
                                           " {from: 0, to: 99999, insert: 'X'}]}); true")
                                .arg(base)
                                .arg(next));
        };
        inject(revision, revision + 1);
        QTRY_VERIFY_WITH_TIMEOUT(session->markdown().contains(QLatin1String("GHOST")), 10000);
        QTRY_COMPARE_WITH_TIMEOUT(session->markdown(), typed, 10000);
        // A patch from a revision the host never saw: nothing of it is taken.
        inject(coordinator->currentRevision() + 5, coordinator->currentRevision() + 6);
        window.type("!");
        QTRY_COMPARE_WITH_TIMEOUT(window.read(QStringLiteral("photo.md")), typed + QLatin1Char('!'),
                                  10000);
        QCOMPARE(window.pageText(editor), typed + QLatin1Char('!'));
        QCOMPARE(connections, 0);
        QVERIFY(!server.hasPendingConnections());

        // A pasted image is stored in the vault and its path inserted.
        QBuffer png;
        png.open(QIODevice::WriteOnly);
        QImage(2, 2, QImage::Format_RGB32).save(&png, "PNG");
        window.evaluate(
            editor, QStringLiteral("window.webkit.messageHandlers.larchNotes.postMessage("
                                   "{type: 'pasteImage', mimeType: 'image/png', data: '%1'}); true")
                        .arg(QString::fromLatin1(png.data().toBase64())));
        QTRY_VERIFY_WITH_TIMEOUT(session->markdown().contains(QLatin1String("](/Attachments/")),
                                 10000);
        const QString stored =
            session->markdown().section(QStringLiteral("](/"), 1).section(QLatin1Char(')'), 0, 0);
        QCOMPARE(Sandbox::read(window.sandbox.vault() + QLatin1Char('/') + stored), png.data());
    }
};

QTEST_MAIN(EditorScreenTest)
#include "tst_editorscreen.moc"
