// Memo, todo, article and folder operations of the controller, with their notices and alerts,
// and the memo queries the views use.

#include "librarypreferences.h"
#include "librarytest.h"
#include "memocontent.h"
#include "vaulterror.h"

#include <QSignalSpy>

namespace {

struct LoadedVault
{
    LibraryFixture fixture;
    std::unique_ptr<LibraryController> library;

    LoadedVault()
    {
        fixture.repository().prepareLayout();
        library = fixture.loadedController();
    }
    QStringList todoTexts() const
    {
        QStringList result;
        for (const DailyTodoItem& item : library->todayTodos())
            result.append(QString::number(item.id) + QLatin1Char(':') + item.text +
                          (item.isCompleted ? QStringLiteral(" [x]") : QString()));
        return result;
    }
    QString todayFile() const
    {
        return fixture.read(
            fixture.repository().ensureJournalDocument(QDateTime::currentDateTime()).path);
    }
};

MemoRecord memoAt(const QDateTime& createdAt, const QString& markdown)
{
    return MemoRecord{QStringLiteral("memo-1"), createdAt,
                      QStringLiteral("Journal/2024/05/2024-05-01.md"), markdown, QString()};
}

} // namespace

class OperationsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void capturingMemos()
    {
        LoadedVault vault;
        QSignalSpy notices(vault.library.get(), &LibraryController::noticeMessageChanged);
        await(vault.library->captureMemoAsync(QStringLiteral(" \n\t "), QString(), {}));
        QVERIFY(vault.library->memos().isEmpty());
        QCOMPARE(notices.count(), 0);

        await(vault.library->captureMemoAsync(QStringLiteral("  first thought \n"), QString(), {}));
        QCOMPARE(vault.library->memos().size(), 1);
        QCOMPARE(primaryMarkdown(vault.library->memos().first()), QStringLiteral("first thought"));
        QCOMPARE(vault.library->noticeMessage(), QStringLiteral("已记录"));
        QCOMPARE(vault.library->memoModel()->count(), 1);

        // Only images, no text, still makes a memo.
        await(vault.library->captureMemoAsync(QString(), QString(),
                                              {QStringLiteral("/Attachments/a.png")}));
        QCOMPARE(vault.library->memos().size(), 2);
        QCOMPARE(vault.library->memoDays().size(), 1);
        QVERIFY(vault.library->hasMemosOn(QDate::currentDate()));
    }

    void capturingWritesOpenEditsFirst()
    {
        LoadedVault vault;
        await(vault.library->createArticleAsync(QStringLiteral("Draft"), QStringLiteral("Notes")));
        vault.library->selectedSession()->updateMarkdown(QStringLiteral("typed"));
        await(vault.library->captureMemoAsync(QStringLiteral("memo"), QString(), {}));
        QCOMPARE(vault.fixture.read(QStringLiteral("Notes/Draft.md")), QStringLiteral("typed"));
    }

    void followUpsEditsAndDeletion()
    {
        LoadedVault vault;
        await(vault.library->captureMemoAsync(QStringLiteral("seed"), QString(), {}));
        const QString id = vault.library->memos().first().id;
        await(vault.library->addFollowUpAsync(id, QStringLiteral("later")));
        QCOMPARE(vault.library->noticeMessage(), QStringLiteral("已续记"));
        QCOMPARE(followUps(vault.library->memos().first()).size(), 1);

        // The inline editor replaces the main text and keeps the follow-up.
        await(vault.library->saveMemoTextAsync(id, QStringLiteral("seed, edited")));
        const MemoRecord edited = vault.library->memos().first();
        QCOMPARE(primaryMarkdown(edited), QStringLiteral("seed, edited"));
        QCOMPARE(followUps(edited).first().markdown, QStringLiteral("later"));

        await(vault.library->deleteMemoAsync(id));
        QVERIFY(vault.library->memos().isEmpty());
        QVERIFY(vault.library->alertMessage().isEmpty());

        await(vault.library->deleteMemoAsync(id));
        QCOMPARE(vault.library->alertMessage(),
                 VaultError(VaultError::noteNotFound).localizedDescription());
    }

    void addingTodos_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("todos");
        QTest::addColumn<QString>("notice");
        QTest::newRow("one") << QStringLiteral(" call mum ")
                             << QStringList{QStringLiteral("0:call mum")}
                             << QStringLiteral("已加入今日待办");
        QTest::newRow("two with a blank line")
            << QStringLiteral("a\n\n   b  \n")
            << QStringList{QStringLiteral("0:a"), QStringLiteral("1:b")}
            << QStringLiteral("已加入 2 项待办");
        QTest::newRow("blank") << QStringLiteral(" \n \n") << QStringList() << QString();
    }
    void addingTodos()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, todos);
        QFETCH(QString, notice);
        LoadedVault vault;
        await(vault.library->addTodosAsync(text));
        QCOMPARE(vault.todoTexts(), todos);
        QCOMPARE(vault.library->noticeMessage(), notice);
        QCOMPARE(vault.library->todoModel()->count(), todos.size());
    }

    void togglingAndDeletingTodos()
    {
        LoadedVault vault;
        await(vault.library->addTodosAsync(QStringLiteral("a\nb\nc")));
        await(vault.library->toggleTodoAsync(2));
        await(vault.library->deleteTodoAsync(0));
        QCOMPARE(vault.todoTexts(),
                 (QStringList{QStringLiteral("0:b"), QStringLiteral("1:c [x]")}));

        const QString before = vault.todayFile();
        QSignalSpy todos(vault.library.get(), &LibraryController::todayTodosChanged);
        await(vault.library->toggleTodoAsync(2));
        await(vault.library->deleteTodoAsync(-1));
        QCOMPARE(vault.todayFile(), before);
        QCOMPARE(todos.count(), 0);
        QVERIFY(vault.library->alertMessage().isEmpty());

        // Another program changes the list; the shown list is older, the change goes to the
        // list on disk: the item is found by its text, and one that is gone is refused.
        const QDateTime now = QDateTime::currentDateTime();
        vault.fixture.repository().saveDailyTodos(
            {DailyTodoItem{0, QStringLiteral("new"), false, now},
             DailyTodoItem{1, QStringLiteral("b"), false, now}},
            now);
        await(vault.library->toggleTodoAsync(0)); // "b", shown first
        QCOMPARE(vault.todoTexts(),
                 (QStringList{QStringLiteral("0:new"), QStringLiteral("1:b [x]")}));
        vault.fixture.repository().saveDailyTodos({}, now);
        await(vault.library->deleteTodoAsync(1));
        QCOMPARE(vault.library->alertMessage(),
                 VaultError(VaultError::todoNotFound).localizedDescription());
    }

    // What an operation could not do although it went on reaches the user with its notice.
    void warningsAreAlerted()
    {
        LoadedVault vault;
        QDir(vault.fixture.path(QStringLiteral(".larch"))).removeRecursively();
        vault.fixture.write(QStringLiteral(".larch"), QStringLiteral("not a folder"));
        await(vault.library->captureMemoAsync(QStringLiteral("kept"), QString(), {}));
        QCOMPARE(vault.library->memos().size(), 1);
        QCOMPARE(vault.library->noticeMessage(), QStringLiteral("已记录"));
        QVERIFY(vault.library->alertMessage().contains(QStringLiteral("记录索引没有更新")));
    }

    void creatingArticles()
    {
        LoadedVault vault;
        vault.library->selectFolder(QStringLiteral("Notes"));
        const std::optional<QString> path =
            await(vault.library->createArticleAsync(QStringLiteral("Trip plan"), std::nullopt));
        QCOMPARE(path, QStringLiteral("Notes/Trip plan.md"));
        QCOMPARE(vault.library->selectedSession()->path(), *path);
        QCOMPARE(vault.library->editorFocusDocumentPath(), *path);
        QCOMPARE(
            LibraryPreferences::lastOpenNotePath(vault.fixture.settings(), vault.fixture.vault()),
            path);
        // Announced in the memo stream by a link to it.
        QCOMPARE(vault.library->memos().size(), 1);
        const MemoRecord announcement = vault.library->memos().first();
        QCOMPARE(announcement.markdown.trimmed(),
                 QStringLiteral("[Trip plan](../../../Notes/Trip%20plan.md)"));
        QCOMPARE(vault.library->referencedArticle(announcement).value().path, *path);
        QCOMPARE(LibraryController::articleAnnouncement(
                     QStringLiteral("Journal/2024/05/2024-05-01.md"), QStringLiteral("a [b].md")),
                 QStringLiteral("[a \\[b\\]](../../../a%20[b].md)"));

        const std::optional<QString> failed =
            await(vault.library->createArticleAsync(QStringLiteral("a/b"), std::nullopt));
        QVERIFY(!failed);
        QCOMPARE(vault.library->alertMessage(),
                 VaultError(VaultError::invalidName).localizedDescription());
    }

    void creatingFoldersSelectsThem()
    {
        LoadedVault vault;
        vault.library->selectFolder(QStringLiteral("Notes"));
        await(vault.library->createFolderAsync(QStringLiteral("Trips"), std::nullopt));
        QCOMPARE(vault.library->selectionKind(), LibraryController::SelectionKind::Folder);
        QCOMPARE(vault.library->selectedFolderPath(), QStringLiteral("Notes/Trips"));
        QCOMPARE(vault.library->creationFolderPath(), QStringLiteral("Notes/Trips"));
        QVERIFY(vault.library->visibleFolders().contains(QStringLiteral("Notes/Trips")));
    }

    void renamingTheOpenArticle()
    {
        LoadedVault vault;
        await(vault.library->createArticleAsync(QStringLiteral("Old"), QStringLiteral("Notes")));
        vault.library->selectedSession()->updateMarkdown(QStringLiteral("unsaved"));
        await(vault.library->renameSelectedNoteAsync(QStringLiteral("New")));
        NoteEditorSession* session = vault.library->selectedSession();
        QCOMPARE(session->path(), QStringLiteral("Notes/New.md"));
        QCOMPARE(session->saveState(), NoteEditorSession::SaveState::Saved);
        QCOMPARE(vault.fixture.read(QStringLiteral("Notes/New.md")), QStringLiteral("unsaved"));
        QCOMPARE(
            LibraryPreferences::lastOpenNotePath(vault.fixture.settings(), vault.fixture.vault()),
            QStringLiteral("Notes/New.md"));
        QVERIFY(vault.library->note(QStringLiteral("Notes/New.md")));
    }

    void trashingTheOnlyOpenArticleOpensTheNextOne()
    {
        LoadedVault vault;
        vault.fixture.repository().createNote(QStringLiteral("Notes"), QStringLiteral("Stays"));
        await(vault.library->refreshAsync(false));
        await(vault.library->createArticleAsync(QStringLiteral("Goes"), QStringLiteral("Notes")));
        vault.library->selectedSession()->updateMarkdown(QStringLiteral("dropped"));
        QCOMPARE(vault.library->openSessions().size(), 1);
        await(vault.library->trashSelectedNoteAsync());
        QVERIFY(!vault.fixture.repository().loadSnapshot().notes.isEmpty());
        QCOMPARE(vault.library->selectedSession()->path(), QStringLiteral("Notes/Stays.md"));
        QVERIFY(vault.library->editorFocusDocumentPath().isEmpty());
        QVERIFY(!vault.library->note(QStringLiteral("Notes/Goes.md")));
        QTest::qWait(700); // the dropped edit's save never runs
        QVERIFY(!QFileInfo::exists(vault.fixture.path(QStringLiteral("Notes/Goes.md"))));
    }

    void convertingAMemoOpensTheArticle()
    {
        LoadedVault vault;
        await(vault.library->captureMemoAsync(QStringLiteral("big idea"), QString(), {}));
        const QString id = vault.library->memos().first().id;
        const std::optional<QString> path = await(vault.library->convertMemoToArticleAsync(
            id, QStringLiteral("Idea"), QStringLiteral("Notes")));
        QCOMPARE(path, QStringLiteral("Notes/Idea.md"));
        QCOMPARE(vault.library->selectedSession()->path(), *path);
        QCOMPARE(vault.library->referencedArticleOf(id).value(QStringLiteral("path")).toString(),
                 *path);
        // A memo that stands for an article is not edited inline.
        const QString before = vault.library->memos().first().markdown;
        await(vault.library->saveMemoTextAsync(id, QStringLiteral("overwritten")));
        QCOMPARE(vault.library->memos().first().markdown, before);
    }

    void sidebarListFollowsSelectionAndSearch()
    {
        LoadedVault vault;
        vault.fixture.repository().createNote(QStringLiteral("Notes"), QStringLiteral("Alpha"));
        vault.fixture.repository().createNote(QString(), QStringLiteral("Beta"));
        await(vault.library->refreshAsync(false));
        QCOMPARE(vault.library->filteredNoteModel()->count(), 2);
        vault.library->selectFolder(QStringLiteral("Notes"));
        QCOMPARE(vault.library->filteredNoteModel()->count(), 1);
        vault.library->setSearchText(QStringLiteral("beta"));
        QCOMPARE(vault.library->filteredNoteModel()->count(), 0);
        vault.library->selectAll();
        QCOMPARE(vault.library->creationFolderPath(), QString());
        QCOMPARE(vault.library->filteredNoteModel()->count(), 1);
        vault.library->selectQuick();
        QCOMPARE(vault.library->filteredNoteModel()->count(), 0);
    }

    void referenceMarkdown_data()
    {
        QTest::addColumn<QString>("markdown");
        QTest::addColumn<QString>("excerpt");
        const QString thirtyTwo = QStringLiteral("12345678901234567890123456789012");
        QTest::newRow("exactly 32") << thirtyTwo << thirtyTwo;
        QTest::newRow("33") << thirtyTwo + QLatin1Char('3') << thirtyTwo + QStringLiteral("…");
        QTest::newRow("brackets and lines")
            << QStringLiteral("see [x]\nnext") << QStringLiteral("see \\[x\\] next");
        QTest::newRow("emoji are one character")
            << QString(QStringLiteral("😀")).repeated(33)
            << QString(QStringLiteral("😀")).repeated(32) + QStringLiteral("…");
    }
    void referenceMarkdown()
    {
        QFETCH(QString, markdown);
        QFETCH(QString, excerpt);
        LibraryFixture fixture;
        LibraryController library(&fixture.settings(), fixture.vault());
        const MemoRecord memo = memoAt(QDateTime(QDate(2024, 5, 1), QTime(9, 5)), markdown);
        QCOMPARE(
            library.memoReferenceMarkdown(memo, QStringLiteral("Notes/Plan.md")),
            QStringLiteral("[“") + excerpt +
                QStringLiteral("”——2024-05-01 09:05](../Journal/2024/05/2024-05-01.md#memo-1)"));
    }

    void imageUrls_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("relativeTo");
        QTest::addColumn<QString>("expected"); // vault-relative, or empty for none
        const QString day = QStringLiteral("Journal/2024/05/2024-05-01.md");
        QTest::newRow("from the root") << QStringLiteral("/Attachments/a.png") << QString()
                                       << QStringLiteral("Attachments/a.png");
        QTest::newRow("relative to the day file")
            << QStringLiteral("../../../Attachments/a%20b.png") << day
            << QStringLiteral("Attachments/a b.png");
        QTest::newRow("climbing out of the vault")
            << QStringLiteral("../../../../x.png") << day << QString();
        QTest::newRow("root-anchored escape")
            << QStringLiteral("/../x.png") << QString() << QString();
        QTest::newRow("no base") << QStringLiteral("Attachments/b.png") << QString()
                                 << QStringLiteral("Attachments/b.png");
        QTest::newRow("the vault itself") << QStringLiteral("/") << QString() << QString();
    }
    void imageUrls()
    {
        QFETCH(QString, path);
        QFETCH(QString, relativeTo);
        QFETCH(QString, expected);
        LibraryFixture fixture;
        LibraryController library(&fixture.settings(), fixture.vault());
        const QUrl url = library.imageFileUrl(path, relativeTo);
        QCOMPARE(url, expected.isEmpty() ? QUrl() : QUrl::fromLocalFile(fixture.path(expected)));
    }
};

QTEST_GUILESS_MAIN(OperationsTest)
#include "tst_operations.moc"
