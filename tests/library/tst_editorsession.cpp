// Editor sessions: the autosave debounce, save states, conflicts with other programs, a save
// held behind a running one, and flushing before quitting.

#include "librarytest.h"
#include "vaulterror.h"

#include <QElapsedTimer>
#include <QSignalSpy>

using State = NoteEditorSession::SaveState;
using Outside = NoteEditorSession::OutsideState;

namespace {

struct SessionVault
{
    LibraryFixture fixture;
    std::shared_ptr<RepositoryExecutor> executor = std::make_shared<RepositoryExecutor>();
    std::shared_ptr<const VaultRepository> repository;
    NoteDocument document;

    SessionVault()
    {
        fixture.repository().prepareLayout();
        document = fixture.repository().createNote(QStringLiteral("Notes"), QStringLiteral("Plan"));
        repository = std::make_shared<const VaultRepository>(fixture.vault());
    }
    std::unique_ptr<NoteEditorSession> session() const
    {
        return std::make_unique<NoteEditorSession>(document, repository, executor);
    }
    QString onDisk() const { return fixture.read(document.path); }
    // Another program rewrites the file; its date moves clearly past the session's baseline.
    void writeElsewhere(const QString& text) const
    {
        fixture.write(document.path, text);
        QFile file(fixture.path(document.path));
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(60),
                                 QFileDevice::FileModificationTime));
    }
};

} // namespace

class EditorSessionTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void typingSavesOnceAfterTheLastKeystroke()
    {
        SessionVault vault;
        auto session = vault.session();
        QSignalSpy saves(session.get(), &NoteEditorSession::didSave);
        QElapsedTimer sinceLastKey;
        QString text = vault.document.markdown;
        for (int i = 0; i < 10; ++i) {
            text += QLatin1Char('a' + i);
            session->updateMarkdown(text);
            sinceLastKey.start();
            QCOMPARE(session->saveState(), State::Waiting);
            QTest::qWait(100);
        }
        QVERIFY(saves.wait(2000));
        QVERIFY2(sinceLastKey.elapsed() >= 540,
                 qPrintable(QString::number(sinceLastKey.elapsed())));
        QCOMPARE(saves.count(), 1);
        QCOMPARE(vault.onDisk(), text);
        QCOMPARE(session->saveState(), State::Saved);
        QTest::qWait(700);
        QCOMPARE(saves.count(), 1);
    }

    void flushingASavedSessionWritesNothing()
    {
        SessionVault vault;
        auto session = vault.session();
        vault.fixture.write(vault.document.path, QStringLiteral("changed elsewhere"));
        await(session->flushAsync());
        QCOMPARE(vault.onDisk(), QStringLiteral("changed elsewhere"));
        QCOMPARE(session->saveState(), State::Saved);
    }

    // A save that meets another program's version fails, shows that version and writes
    // nothing more until the user chooses; keeping mine then writes over it.
    void conflictWaitsForAChoice()
    {
        SessionVault vault;
        auto session = vault.session();
        QSignalSpy failures(session.get(), &NoteEditorSession::saveFailed);
        vault.writeElsewhere(QStringLiteral("theirs"));
        session->updateMarkdown(QStringLiteral("mine"));
        await(session->flushAsync());
        QCOMPARE(session->saveState(), State::Failed);
        QCOMPARE(session->saveFailureMessage(),
                 VaultError(VaultError::conflict).localizedDescription());
        QTRY_COMPARE(session->outsideState(), Outside::Conflict);
        QCOMPARE(session->outsideMarkdown(), QStringLiteral("theirs"));
        session->updateMarkdown(QStringLiteral("mine!"));
        QTest::qWait(NoteEditorSession::debounceMilliseconds + 100);
        QCOMPARE(vault.onDisk(), QStringLiteral("theirs"));
        QCOMPARE(failures.count(), 1);
        await(session->keepMineAsync());
        QCOMPARE(session->outsideState(), Outside::None);
        QCOMPARE(session->saveState(), State::Saved);
        QCOMPARE(vault.onDisk(), QStringLiteral("mine!"));
    }

    // What another program did to the file reaches the session: a clean one takes it, one with
    // unsaved edits holds them and shows the conflict; nothing is written either way.
    void outsideChanges_data()
    {
        QTest::addColumn<QString>("typed");   // "" for none
        QTest::addColumn<QString>("outside"); // the file's new text; "-" deletes it
        QTest::addColumn<int>("state");
        QTest::addColumn<QString>("shown");
        QTest::newRow("clean takes it") << ""
                                        << "theirs" << int(Outside::None) << "theirs";
        QTest::newRow("dirty conflicts") << "mine"
                                         << "theirs" << int(Outside::Conflict) << "mine";
        QTest::newRow("same text as typed") << "same"
                                            << "same" << int(Outside::None) << "same";
        QTest::newRow("deleted") << "mine"
                                 << "-" << int(Outside::Missing) << "mine";
        QTest::newRow("deleted, clean") << ""
                                        << "-" << int(Outside::Missing) << "# Plan\n\n";
    }
    void outsideChanges()
    {
        QFETCH(QString, typed);
        QFETCH(QString, outside);
        QFETCH(int, state);
        QFETCH(QString, shown);
        SessionVault vault;
        auto session = vault.session();
        if (!typed.isEmpty())
            session->updateMarkdown(typed);
        if (outside == QLatin1String("-")) {
            QVERIFY(QFile::remove(vault.fixture.path(vault.document.path)));
            session->markMissing();
        } else {
            vault.writeElsewhere(outside);
            session->takeOutsideDocument(
                vault.fixture.repository().loadDocument(vault.document.path));
        }
        QCOMPARE(int(session->outsideState()), state);
        QCOMPARE(session->markdown(), shown);
        QCOMPARE(session->saveState() == State::Failed, state != int(Outside::None));
        QTest::qWait(NoteEditorSession::debounceMilliseconds + 100);
        QCOMPARE(vault.onDisk(), outside == QLatin1String("-") ? QString() : outside);
        if (state == int(Outside::Missing)) {
            // Offered back at its old path.
            await(session->saveAgainAsync());
            QCOMPARE(session->outsideState(), Outside::None);
            QCOMPARE(vault.onDisk(), shown);
        }
    }

    // Typing while a save runs: the next save waits for it and builds on its file date.
    void saveRequestedDuringASaveWaitsForIt_data()
    {
        QTest::addColumn<bool>("flushAtOnce");
        QTest::newRow("flush at once") << true;
        QTest::newRow("debounce") << false;
    }
    void saveRequestedDuringASaveWaitsForIt()
    {
        QFETCH(bool, flushAtOnce);
        SessionVault vault;
        auto session = vault.session();
        QSignalSpy failures(session.get(), &NoteEditorSession::saveFailed);
        session->updateMarkdown(QStringLiteral("one"));
        auto first = session->flushAsync();
        QCOMPARE(session->saveState(), State::Saving);
        session->updateMarkdown(QStringLiteral("one two"));
        if (flushAtOnce) {
            auto second = session->flushAsync();
            await(std::move(first));
            await(std::move(second));
        } else {
            await(std::move(first));
            QCOMPARE(session->saveState(), State::Waiting);
            QTRY_COMPARE_WITH_TIMEOUT(session->saveState(), State::Saved, 2000);
        }
        QCOMPARE(failures.count(), 0);
        QCOMPARE(session->saveState(), State::Saved);
        QCOMPARE(vault.onDisk(), QStringLiteral("one two"));
    }

    void renameDropsThePendingSave()
    {
        SessionVault vault;
        auto session = vault.session();
        session->updateMarkdown(QStringLiteral("typed"));
        const NoteDocument renamed =
            vault.fixture.repository().renameNote(vault.document.path, QStringLiteral("Renamed"));
        session->replaceDocument(renamed);
        QCOMPARE(session->saveState(), State::Saved);
        QCOMPARE(session->path(), QStringLiteral("Notes/Renamed.md"));
        QCOMPARE(session->title(), QStringLiteral("Renamed"));
        QTest::qWait(800);
        QCOMPARE(vault.fixture.read(renamed.path), renamed.markdown);
    }

    void closingWhileSavingStillEndsTheFlush()
    {
        SessionVault vault;
        auto session = vault.session();
        session->updateMarkdown(QStringLiteral("last words"));
        auto flush = session->flushAsync();
        session.reset();
        await(std::move(flush));
        vault.executor->waitForDone();
        QCOMPARE(vault.onDisk(), QStringLiteral("last words"));
    }

    void controllerRereadsAfterSavesAndShowsConflicts()
    {
        LibraryFixture fixture;
        fixture.repository().prepareLayout();
        const NoteDocument note =
            fixture.repository().createNote(QStringLiteral("Notes"), QStringLiteral("Plan"));
        auto library = fixture.loadedController();
        NoteEditorSession* session = library->selectedSession();
        session->updateMarkdown(QStringLiteral("# Plan\n\nfresh words"));
        // The listing is read again after the save: the preview comes from the new text.
        QTRY_COMPARE_WITH_TIMEOUT(library->snapshot().notes.first().preview,
                                  QStringLiteral("fresh words"), 3000);

        // Another program's text; the save meets it (or the refresh shows it first).
        fixture.write(note.path, QStringLiteral("theirs"));
        QFile file(fixture.path(note.path));
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(60),
                                 QFileDevice::FileModificationTime));
        file.close();
        session->updateMarkdown(QStringLiteral("again"));
        QTRY_COMPARE_WITH_TIMEOUT(session->outsideState(), Outside::Conflict, 3000);
        QCOMPARE(session->saveFailureMessage(),
                 VaultError(VaultError::conflict).localizedDescription());
        QVERIFY(library->alertMessage().isEmpty());
    }

    // An outside change found by a refresh gives the conflict at once; closing the tab or
    // quitting then keeps the typed text as a copy beside the article and says where.
    void closingOrQuittingKeepsConflictingText_data()
    {
        QTest::addColumn<bool>("quit");
        QTest::newRow("close") << false;
        QTest::newRow("quit") << true;
    }
    void closingOrQuittingKeepsConflictingText()
    {
        QFETCH(bool, quit);
        LibraryFixture fixture;
        fixture.repository().prepareLayout();
        const NoteDocument note =
            fixture.repository().createNote(QStringLiteral("Notes"), QStringLiteral("Plan"));
        auto library = fixture.loadedController();
        NoteEditorSession* session = library->selectedSession();
        session->updateMarkdown(QStringLiteral("mine"));
        fixture.write(note.path, QStringLiteral("theirs"));
        await(library->refreshAsync(false));
        QCOMPARE(session->outsideState(), Outside::Conflict);
        const QString kept =
            LibraryController::keptCopyMessage({QStringLiteral("Notes/Plan 2.md")});
        if (quit) {
            library->flushAllAndWait();
            library.reset();
            library = fixture.loadedController();
            QVERIFY2(library->alertMessage().endsWith(kept), qPrintable(library->alertMessage()));
            QVERIFY(library->alertMessage().startsWith(QStringLiteral("上次退出时")));
            library->dismissAlert();
            library.reset();
            QVERIFY(fixture.loadedController()->alertMessage().isEmpty()); // said once
        } else {
            await(library->closeSessionAsync(session->id()));
            QVERIFY(library->openSessions().isEmpty());
            QCOMPARE(library->alertMessage(), kept);
        }
        QCOMPARE(fixture.read(QStringLiteral("Notes/Plan 2.md")), QStringLiteral("mine"));
        QCOMPARE(fixture.read(note.path), QStringLiteral("theirs"));
    }

    // Quitting writes what was typed in the last moments, also behind a running save.
    void quittingFlushesEveryOpenSession()
    {
        LibraryFixture fixture;
        fixture.repository().prepareLayout();
        const NoteDocument a =
            fixture.repository().createNote(QStringLiteral("Notes"), QStringLiteral("A"));
        const NoteDocument b =
            fixture.repository().createNote(QStringLiteral("Notes"), QStringLiteral("B"));
        auto library = fixture.loadedController();
        await(library->openNoteAsync(a.path));
        await(library->openNoteAsync(b.path));
        QCOMPARE(library->openSessions().size(), 2);
        NoteEditorSession* first = library->openSessions().at(0);
        NoteEditorSession* second = library->openSessions().at(1);
        first->updateMarkdown(QStringLiteral("first"));
        first->flush(); // a save under way when quitting
        first->updateMarkdown(QStringLiteral("first, more"));
        second->updateMarkdown(QStringLiteral("second"));
        library->flushAllAndWait();
        QCOMPARE(fixture.read(first->path()), QStringLiteral("first, more"));
        QCOMPARE(fixture.read(second->path()), QStringLiteral("second"));
        QVERIFY(library->alertMessage().isEmpty());
    }
};

QTEST_GUILESS_MAIN(EditorSessionTest)
#include "tst_editorsession.moc"
