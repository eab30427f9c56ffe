// Open articles in the real window, off-screen with the real editor page, while another program
// changes, deletes and renames their files: a clean article takes the new text in place; one
// with unsaved edits shows the conflict bar, and its choices, closing the tab and quitting leave
// every typed word in the vault's files.

#include "editorwindow.h"

#include <QDir>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTimer>

namespace {

using Outside = NoteEditorSession::OutsideState;

struct OutsideWindow : EditorWindow
{
    using EditorWindow::EditorWindow;

    QString file(const QString& path) const { return sandbox.vault() + QLatin1Char('/') + path; }
    // Another program writes the whole file.
    void writeOutside(const QString& path, const QString& text) const
    {
        Sandbox::write(file(path), text.toUtf8());
    }
    // Types into the page and waits until the session has the keys.
    void typeIn(QQuickItem* editor, const char* text)
    {
        type(text);
        coordinator(editor)->synchronizeAndWait(5000);
    }
    // Unsaved edits in `path`, then another program's version: the conflict bar.
    bool conflict(QQuickItem* editor, const QString& path, const char* typed, const QString& theirs)
    {
        focusEnd(editor);
        typeIn(editor, typed);
        writeOutside(path, theirs);
        return QTest::qWaitFor(
            [&] { return session(path)->outsideState() == Outside::Conflict && bar(); }, 10000);
    }
    QQuickItem* bar() const
    {
        QQuickItem* found = item(QStringLiteral("conflictBar"));
        return found && found->isVisible() ? found : nullptr;
    }
    bool settled(const QString& path) const
    {
        NoteEditorSession* s = session(path);
        return s && !s->isResolving() && s->outsideState() == Outside::None &&
               s->saveState() == NoteEditorSession::SaveState::Saved;
    }
};

} // namespace

class OutsideEditsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { configureApplication(*qGuiApp); }

    // A clean article takes another program's text in place (caret kept, nothing written); with
    // unsaved edits the bar shows at once, and each of its three choices leaves the files it says.
    void outsideEditsAndConflictChoices()
    {
        OutsideWindow window([](Sandbox& sandbox) {
            Sandbox::write(sandbox.vault() + QStringLiteral("/a.md"), "# A\n\n第一段\n");
        });
        const QString a = QStringLiteral("a.md");
        QQuickItem* editor = window.open(a);
        QVERIFY(editor);
        window.focusEnd(editor);
        NoteEditorSession* session = window.session(a);
        QSignalSpy saves(session, &NoteEditorSession::didSave);
        const QString changed = QStringLiteral("# A（外部修改）\n\n第一段\n");
        QElapsedTimer shown;
        shown.start();
        window.writeOutside(a, changed);
        QTRY_COMPARE_WITH_TIMEOUT(window.pageText(editor), changed, 10000);
        qInfo("another program's text shown after %lld ms", shown.elapsed());
        QCOMPARE(session->saveState(), NoteEditorSession::SaveState::Saved);
        QVERIFY(!window.bar());
        // The caret stayed at the end: the next key lands there.
        window.typeIn(editor, "!");
        QTRY_COMPARE_WITH_TIMEOUT(saves.count(), 1, 10000); // the only save: after the key
        QCOMPARE(window.read(a), changed + QStringLiteral("!"));

        // Keep mine: the text here over theirs.
        QVERIFY(window.conflict(editor, a, "1", QStringLiteral("外部二\n")));
        QTest::qWait(NoteEditorSession::debounceMilliseconds + 200);
        QCOMPARE(window.read(a), QStringLiteral("外部二\n")); // nothing written over it meanwhile
        const QString mine1 = changed + QStringLiteral("!1");
        window.click(QStringLiteral("conflictKeepMine"));
        QTRY_VERIFY_WITH_TIMEOUT(window.settled(a), 10000);
        QCOMPARE(window.read(a), mine1);

        // Use theirs: the text here goes to the trash.
        QVERIFY(window.conflict(editor, a, "2", QStringLiteral("外部三\n")));
        window.click(QStringLiteral("conflictUseOutside"));
        QTRY_VERIFY_WITH_TIMEOUT(window.settled(a), 10000);
        QCOMPARE(window.read(a), QStringLiteral("外部三\n"));
        QTRY_COMPARE_WITH_TIMEOUT(window.pageText(editor), QStringLiteral("外部三\n"), 10000);
        QCOMPARE(window.read(QStringLiteral(".Trash/a.md")), mine1 + QStringLiteral("2"));

        // Save a copy, chosen in the difference view: a new article beside it, opened.
        QVERIFY(window.conflict(editor, a, "3", QStringLiteral("外部四\n")));
        window.click(QStringLiteral("conflictDifferences"));
        QTRY_VERIFY(window.main->propertyOf("differenceView", "opened").toBool());
        window.click(QStringLiteral("differenceSaveCopy"));
        QTRY_VERIFY_WITH_TIMEOUT(window.settled(a), 10000);
        QCOMPARE(window.read(a), QStringLiteral("外部四\n"));
        QCOMPARE(window.read(QStringLiteral("a 2.md")), QStringLiteral("外部三\n3"));
        QTRY_VERIFY_WITH_TIMEOUT(window.session(QStringLiteral("a 2.md")), 10000);
    }

    // Unsaved text that the file cannot take is kept as a copy when its tab closes and when the
    // application quits; a deleted article is offered back, a renamed one can be closed.
    void closingQuittingAndMissingFiles()
    {
        OutsideWindow window([](Sandbox& sandbox) {
            Sandbox::write(sandbox.vault() + QStringLiteral("/a.md"), "甲\n");
            Sandbox::write(sandbox.vault() + QStringLiteral("/b.md"), "乙\n");
            Sandbox::write(sandbox.vault() + QStringLiteral("/c.md"), "丙\n");
        });
        const QString a = QStringLiteral("a.md"), b = QStringLiteral("b.md"),
                      c = QStringLiteral("c.md");
        QQuickItem* editorA = window.open(a);
        QVERIFY(editorA);
        QVERIFY(window.conflict(editorA, a, "x", QStringLiteral("甲，外部\n")));
        window.click(QStringLiteral("closeTab:a.md"));
        QTRY_VERIFY_WITH_TIMEOUT(!window.session(a), 10000);
        QCOMPARE(window.read(QStringLiteral("a 2.md")), QStringLiteral("甲\nx"));
        QCOMPARE(window.library->alertMessage(),
                 LibraryController::keptCopyMessage({QStringLiteral("a 2.md")}));
        window.library->dismissAlert();

        // Deleted: offered back at its path.
        QQuickItem* editorC = window.open(c);
        QVERIFY(editorC);
        QVERIFY(QFile::remove(window.file(c)));
        QTRY_VERIFY_WITH_TIMEOUT(window.bar(), 10000);
        window.click(QStringLiteral("conflictSaveAgain"));
        QTRY_VERIFY_WITH_TIMEOUT(window.settled(c), 10000);
        QCOMPARE(window.read(c), QStringLiteral("丙\n"));
        // Renamed with unsaved edits, then closed: the text is kept at the old place.
        window.focusEnd(editorC);
        window.typeIn(editorC, "y");
        QVERIFY(QDir().rename(window.file(c), window.file(QStringLiteral("moved.md"))));
        QTRY_VERIFY_WITH_TIMEOUT(window.bar(), 10000);
        QCOMPARE(window.session(c)->outsideState(), Outside::Missing);
        window.click(QStringLiteral("conflictClose"));
        QTRY_VERIFY_WITH_TIMEOUT(!window.session(c), 10000);
        QCOMPARE(window.read(c), QStringLiteral("丙\ny"));
        QCOMPARE(window.read(QStringLiteral("moved.md")), QStringLiteral("丙\n"));
        window.library->dismissAlert();

        QQuickItem* editorB = window.open(b);
        QVERIFY(editorB);
        QVERIFY(window.conflict(editorB, b, "z", QStringLiteral("乙，外部\n")));
        window.main->shell.flushBeforeQuit();
        QCOMPARE(window.read(QStringLiteral("b 2.md")), QStringLiteral("乙\nz"));
        QCOMPARE(window.read(b), QStringLiteral("乙，外部\n"));
    }

    // Another program appends to the file every few hundred milliseconds while the user types
    // and autosave runs; the user keeps their version whenever asked. Every key typed ends up in
    // the file, in order.
    void outsideWriterInterleavedWithTyping()
    {
        OutsideWindow window([](Sandbox& sandbox) {
            Sandbox::write(sandbox.vault() + QStringLiteral("/n.md"), "\n\n# 正文\n");
        });
        const QString n = QStringLiteral("n.md");
        QQuickItem* editor = window.open(n);
        QVERIFY(editor);
        auto toFirstLine = [&] {
            auto* web = editor->property("webEngineView").value<QQuickItem*>();
            web->forceActiveFocus();
            window.evaluate(editor,
                            QStringLiteral("document.querySelector('.cm-content').focus()"));
            QTest::keyClick(window.main->window, Qt::Key_Home, Qt::ControlModifier);
            QTest::keyClick(window.main->window, Qt::Key_End);
        };
        toFirstLine();
        int written = 0;
        QTimer writer;
        QObject::connect(&writer, &QTimer::timeout, [&] {
            const QString now = window.read(n);
            window.writeOutside(n, now + QStringLiteral("外部 %1\n").arg(++written));
        });
        writer.start(230);
        const QByteArray typed = "abcdefghijklmnopqrstuvwxyz0123456789";
        int conflicts = 0;
        for (int i = 0; i < typed.size(); ++i) {
            QTest::keyClick(window.main->window, typed.at(i));
            QTest::qWait(30 + (i % 4) * 40);
            if (window.bar() && !window.session(n)->isResolving()) {
                ++conflicts;
                window.click(QStringLiteral("conflictKeepMine"));
                toFirstLine();
            }
        }
        writer.stop();
        EditorWindow::coordinator(editor)->synchronizeAndWait(5000);
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                if (window.bar() && !window.session(n)->isResolving())
                    window.click(QStringLiteral("conflictKeepMine"));
                return window.settled(n);
            }(),
            20000);
        window.main->shell.flushBeforeQuit();
        const QString text = window.read(n);
        QCOMPARE(text.section(QLatin1Char('\n'), 0, 0), QString::fromLatin1(typed));
        QCOMPARE(window.session(n)->markdown(), text);
        // The two really met: the file changed under the typing.
        QVERIFY2(conflicts > 0 || text.contains(QStringLiteral("外部")), qPrintable(text));
        qInfo("%d outside writes, %d conflicts", written, conflicts);
    }
};

QTEST_MAIN(OutsideEditsTest)
#include "tst_outsideedits.moc"
