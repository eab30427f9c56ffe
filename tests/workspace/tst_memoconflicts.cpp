// The memo editors against changes of their memo made elsewhere, without a window: the inline
// editor of the timeline and the full memo editor, each against a controller on a temporary
// vault, checked by the bytes of the day file and the trash afterwards.

#include "inlinememoedit.h"
#include "librarytest.h"
#include "memoeditorstate.h"

#include <QDirIterator>
#include <QSignalSpy>
#include <QTimer>

namespace {

const QDateTime may1(QDate(2024, 5, 1), QTime(9, 30));

// Either editor, driven the same way.
struct Editor
{
    std::unique_ptr<QObject> object;
    MemoEditSync* sync = nullptr;
    std::function<void(const QString&)> type;
    std::function<QString()> text;
    std::function<QString()> memoId;
    std::function<void()> leave;
    std::function<bool()> editing;
};

Editor editorOf(bool full, LibraryController* library, const QString& memoId)
{
    Editor editor;
    if (full) {
        auto* state = new MemoEditorState;
        state->setLibrary(library);
        state->setMemoId(memoId);
        state->load();
        auto left = std::make_shared<bool>(false);
        QObject::connect(state, &MemoEditorState::finished, [left] { *left = true; });
        editor = {std::unique_ptr<QObject>(state),
                  state->sync(),
                  [state](const QString& text) { state->setMarkdown(text); },
                  [state] { return state->markdown(); },
                  [state] { return state->memoId(); },
                  [state] { state->goBack(); },
                  [left] { return !*left; }};
    } else {
        auto* edit = new InlineMemoEdit;
        edit->setLibrary(library);
        edit->toggle(memoId);
        editor = {std::unique_ptr<QObject>(edit),
                  edit->sync(),
                  [edit](const QString& text) { edit->setText(text); },
                  [edit] { return edit->text(); },
                  [edit] { return edit->memoId(); },
                  [edit] { edit->finish(); },
                  [edit] { return !edit->memoId().isEmpty(); }};
    }
    return editor;
}

// The texts of the files in the vault's trash.
QStringList trashTexts(const LibraryFixture& fixture)
{
    QStringList texts;
    for (QDirIterator it(fixture.path(QStringLiteral(".Trash")), QDir::Files); it.hasNext();) {
        QFile file(it.next());
        if (file.open(QIODevice::ReadOnly))
            texts.append(QString::fromUtf8(file.readAll()));
    }
    return texts;
}

} // namespace

class MemoConflictsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void outsideChanges_data()
    {
        QTest::addColumn<bool>("full");
        QTest::addColumn<QString>("typed");      // typed before the outside change; empty: none
        QTest::addColumn<bool>("deleted");       // the memo is removed elsewhere, else edited
        QTest::addColumn<QString>("choice");     // then made; empty: none
        QTest::addColumn<QString>("editorText"); // afterwards
        QTest::addColumn<QStringList>("memos");  // the day file's memos afterwards
        QTest::addColumn<QStringList>("trash");
        for (const bool full : {false, true}) {
            const char* kind = full ? "full: " : "inline: ";
            const auto row = [&](const char* name) -> QTestData& {
                return QTest::newRow((QByteArray(kind) + name).constData()) << full;
            };
            const QString mine = QStringLiteral("我的");
            const QString outside = QStringLiteral("外面改的");
            row("clean takes the change in") << QString() << false << QString() << outside
                                             << QStringList{outside} << QStringList();
            row("keep mine") << mine << false << QStringLiteral("keepMine") << mine
                             << QStringList{mine} << QStringList();
            row("use outside") << mine << false << QStringLiteral("useOutside") << outside
                               << QStringList{outside} << QStringList{mine + QLatin1Char('\n')};
            row("save a copy") << mine << false << QStringLiteral("saveCopy") << outside
                               << QStringList{outside, mine} << QStringList();
            row("leave") << mine << false << QStringLiteral("leave") << mine << QStringList{outside}
                         << QStringList{mine + QLatin1Char('\n')};
            if (!full) {
                // Its row is gone with it: nothing could offer the choices.
                row("deleted: the words go to the trash")
                    << mine << true << QString() << mine << QStringList()
                    << QStringList{mine + QLatin1Char('\n')};
                continue;
            }
            row("deleted, saved again") << mine << true << QStringLiteral("saveAgain") << mine
                                        << QStringList{mine} << QStringList();
            row("deleted, closed")
                << QString() << true << QStringLiteral("close") << QStringLiteral("旧的")
                << QStringList() << QStringList{QStringLiteral("旧的\n")};
        }
    }
    void outsideChanges()
    {
        QFETCH(bool, full);
        QFETCH(QString, typed);
        QFETCH(bool, deleted);
        QFETCH(QString, choice);
        QFETCH(QString, editorText);
        QFETCH(QStringList, memos);
        QFETCH(QStringList, trash);

        LibraryFixture fixture;
        const MemoRecord memo =
            fixture.repository().createMemo(QStringLiteral("旧的"), may1, {}, {});
        const auto library = fixture.loadedController();
        Editor editor = editorOf(full, library.get(), memo.id);
        // The full editor saves the text it took once; let that pass.
        if (full)
            QTest::qWait(MemoEditorState::autosaveMilliseconds + 100);
        QTRY_VERIFY(!MemoEditSync::hasSavesUnderWay(memo.id));
        if (!typed.isEmpty())
            editor.type(typed);

        const QString day = fixture.read(memo.journalPath);
        const QString changed =
            deleted ? day.left(day.indexOf(QStringLiteral("<a id=")))
                    : QString(day).replace(QStringLiteral("旧的"), QStringLiteral("外面改的"));
        fixture.write(memo.journalPath, changed);
        await(library->refreshAsync(false));
        const bool ended = choice == QLatin1String("close") || choice == QLatin1String("leave") ||
                           (deleted && !full);
        if (full || !deleted) {
            QCOMPARE(editor.sync->isConflicting(), deleted || !typed.isEmpty());
            QCOMPARE(editor.sync->isMemoMissing(), deleted);
        }
        // Nothing is written over the outside version meanwhile.
        QTest::qWait(InlineMemoEdit::saveDelayMilliseconds + 200);
        QCOMPARE(fixture.read(memo.journalPath), changed);

        if (!choice.isEmpty()) {
            if (choice == QLatin1String("leave"))
                editor.leave();
            else
                QVERIFY(QMetaObject::invokeMethod(editor.sync, choice.toLatin1().constData()));
            QTRY_VERIFY(!editor.sync->isBusy());
            QTRY_VERIFY(!MemoEditSync::hasSavesUnderWay(editor.memoId()));
            QTest::qWait(100);
            await(library->refreshAsync(false));
        }
        QTRY_COMPARE(editor.editing(), !ended);
        if (!ended) {
            QCOMPARE(editor.text(), editorText);
            QVERIFY(!editor.sync->isConflicting() || choice.isEmpty());
        }
        QStringList stored;
        for (const MemoRecord& found : library->memos())
            stored.append(found.markdown);
        stored.sort();
        memos.sort();
        QCOMPARE(stored, memos);
        QCOMPARE(trashTexts(fixture), trash);
        if (!trash.isEmpty())
            QVERIFY(library->noticeMessage().contains(QStringLiteral(".Trash/")));
    }

    // Another program appends memos to the same day file while the memo is typed in the full
    // editor (the timeline's window test does the same for the inline one): every one of them
    // and every typed word end up in the file, without a conflict.
    void outsideWriterAppendingMeanwhile()
    {
        LibraryFixture fixture;
        const MemoRecord memo =
            fixture.repository().createMemo(QStringLiteral("开头"), may1, {}, {});
        const auto library = fixture.loadedController();
        Editor editor = editorOf(true, library.get(), memo.id);
        int appended = 0;
        QTimer writer;
        QObject::connect(&writer, &QTimer::timeout, [&] {
            fixture.repository().createMemo(QStringLiteral("外面第 %1 条").arg(++appended),
                                            may1.addSecs(60), {}, {});
        });
        writer.start(70);
        QString typed = QStringLiteral("开头");
        for (int i = 0; i < 24; ++i) {
            typed += QString::number(i % 10);
            editor.type(typed);
            QTest::qWait(i % 6 == 5 ? 600 : 30);
        }
        writer.stop();
        editor.leave();
        QTRY_VERIFY(!MemoEditSync::hasSavesUnderWay(memo.id));
        await(library->refreshAsync(false));
        QVERIFY(!editor.sync->isConflicting());
        QCOMPARE(library->memo(memo.id)->markdown, typed);
        QCOMPARE(library->memos().size(), appended + 1);
        QCOMPARE(trashTexts(fixture), QStringList());
    }
};

QTEST_GUILESS_MAIN(MemoConflictsTest)
#include "tst_memoconflicts.moc"
