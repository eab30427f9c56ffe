// Choosing the vault, loading it, re-reading it, switching to another, and the alert and notice
// texts these produce.

#include "librarypreferences.h"
#include "librarytest.h"
#include "vaulterror.h"

#include <QSignalSpy>
#include <QStandardPaths>

#include <cerrno>

using Phase = LibraryController::LoadPhase;

class LoadingTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void firstLaunchWaitsForAFolder()
    {
        LibraryFixture fixture;
        LibraryController library(&fixture.settings());
        QVERIFY(!library.isVaultConfigured());
        QCOMPARE(library.rootPath(),
                 QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                     QStringLiteral("/Larch Notes"));
        await(library.loadAsync());
        QCOMPARE(library.loadPhase(), Phase::Idle);
        QVERIFY(!QFileInfo::exists(library.rootPath()));
        QVERIFY(!library.canCreateArticle());
    }

    // A vault folder missing at launch may be on a drive that is not connected: the choice is
    // kept, loading fails (the failure screen offers "重试") and nothing is made in its place.
    void missingVaultIsKeptUntilItIsBack()
    {
        LibraryFixture fixture;
        const QString gone = fixture.path(QStringLiteral("drive/vault"));
        fixture.settings().setValue(LibraryPreferences::vaultBookmarkKey(), gone);
        LibraryController library(&fixture.settings());
        QVERIFY(library.isVaultConfigured());
        QCOMPARE(library.rootPath(), gone);
        await(library.loadAsync());
        QCOMPARE(library.loadPhase(), Phase::Failed);
        QVERIFY(library.loadFailureMessage().contains(gone));
        QCOMPARE(library.alertMessage(), library.loadFailureMessage());
        QVERIFY(!QFileInfo::exists(fixture.path(QStringLiteral("drive"))));
        QCOMPARE(fixture.settings().value(LibraryPreferences::vaultBookmarkKey()).toString(), gone);

        QVERIFY(QDir().mkpath(gone)); // the drive is back
        await(library.loadAsync());
        QCOMPARE(library.loadPhase(), Phase::Ready);
        // A value that is no folder path at all is still forgotten.
        fixture.settings().setValue(LibraryPreferences::vaultBookmarkKey(), QStringLiteral("x"));
        QVERIFY(!LibraryController(&fixture.settings()).isVaultConfigured());
        QVERIFY(!fixture.settings().contains(LibraryPreferences::vaultBookmarkKey()));
    }

    void loadPublishesAndReopensTheRememberedArticle_data()
    {
        QTest::addColumn<QString>("remembered");
        QTest::addColumn<QString>("opened");
        QTest::newRow("remembered")
            << QStringLiteral("Notes/First.md") << QStringLiteral("Notes/First.md");
        QTest::newRow("remembered but gone")
            << QStringLiteral("Notes/Gone.md") << QStringLiteral("Notes/Second.md");
        QTest::newRow("nothing remembered") << QString() << QStringLiteral("Notes/Second.md");
    }
    void loadPublishesAndReopensTheRememberedArticle()
    {
        QFETCH(QString, remembered);
        QFETCH(QString, opened);
        LibraryFixture fixture;
        fixture.repository().prepareLayout();
        fixture.repository().createNote(QStringLiteral("Notes"), QStringLiteral("First"));
        QTest::qWait(20); // the newer article lists first
        fixture.repository().createNote(QStringLiteral("Notes"), QStringLiteral("Second"));
        fixture.repository().createMemo(QStringLiteral("hello"), QDateTime::currentDateTime(), {},
                                        {});
        if (!remembered.isEmpty())
            LibraryPreferences::rememberOpenNote(fixture.settings(), remembered, fixture.vault());

        LibraryController library(&fixture.settings(), fixture.vault());
        QSignalSpy phases(&library, &LibraryController::loadPhaseChanged);
        QList<Phase> seen;
        connect(&library, &LibraryController::loadPhaseChanged, this,
                [&]() { seen.append(library.loadPhase()); });
        await(library.loadAsync());

        QCOMPARE(seen, (QList<Phase>{Phase::Restoring, Phase::Ready}));
        QCOMPARE(library.snapshot().notes.size(), 2);
        QCOMPARE(library.noteModel()->count(), 2);
        QCOMPARE(library.memos().size(), 1);
        QCOMPARE(library.memoModel()->count(), 1);
        QVERIFY(library.selectedSession());
        QCOMPARE(library.selectedSession()->path(), opened);
        QCOMPARE(LibraryPreferences::lastOpenNotePath(fixture.settings(), fixture.vault()), opened);
        QVERIFY(library.canCreateArticle());
    }

    void emptyVaultLoadsWithoutArticle()
    {
        LibraryFixture fixture;
        LibraryPreferences::rememberOpenNote(fixture.settings(), QStringLiteral("x.md"),
                                             fixture.vault());
        auto library = fixture.loadedController();
        QCOMPARE(library->loadPhase(), Phase::Ready);
        QVERIFY(!library->selectedSession());
        // The layout is made by the first load.
        QVERIFY(QFileInfo(fixture.path(QStringLiteral("Journal"))).isDir());
        QVERIFY(!LibraryPreferences::lastOpenNotePath(fixture.settings(), fixture.vault()));
    }

    void secondLoadWhileLoadingDoesNothing()
    {
        LibraryFixture fixture;
        LibraryController library(&fixture.settings(), fixture.vault());
        QSignalSpy phases(&library, &LibraryController::loadPhaseChanged);
        auto first = library.loadAsync();
        QCOMPARE(library.loadPhase(), Phase::Restoring);
        await(library.loadAsync());
        QCOMPARE(library.loadPhase(), Phase::Restoring);
        await(std::move(first));
        QCOMPARE(library.loadPhase(), Phase::Ready);
        QCOMPARE(phases.count(), 2);
    }

    void refreshAnnouncesOnlyRealChanges()
    {
        LibraryFixture fixture;
        fixture.repository().prepareLayout();
        fixture.repository().createNote(QStringLiteral("Notes"), QStringLiteral("A"));
        auto library = fixture.loadedController();
        QSignalSpy snapshot(library.get(), &LibraryController::snapshotChanged);
        QSignalSpy memos(library.get(), &LibraryController::memosChanged);
        QSignalSpy todos(library.get(), &LibraryController::todayTodosChanged);
        QSignalSpy rows(library->noteModel(), &QAbstractItemModel::modelReset);
        await(library->refreshAsync(false));
        QCOMPARE(snapshot.count() + memos.count() + todos.count(), 0);

        fixture.repository().createMemo(QStringLiteral("outside"), QDateTime::currentDateTime(), {},
                                        {});
        QSignalSpy inserted(library->memoModel(), &QAbstractItemModel::rowsInserted);
        await(library->refreshAsync(false));
        QCOMPARE(memos.count(), 1);
        QCOMPARE(inserted.count(), 1);
        QCOMPARE(rows.count(), 0);
    }

    void switchingVaultsWritesEditsAndReplacesEverything()
    {
        LibraryFixture fixture;
        fixture.repository().prepareLayout();
        const NoteDocument old =
            fixture.repository().createNote(QStringLiteral("Notes"), QStringLiteral("Old"));
        fixture.settings().setValue(LibraryPreferences::legacyVaultBookmarkKey(),
                                    QStringLiteral("x"));
        auto library = fixture.loadedController();
        library->selectedSession()->updateMarkdown(QStringLiteral("unsaved"));
        library->setSearchText(QStringLiteral("q"));
        library->selectFolder(QStringLiteral("Notes"));

        const QString other = fixture.folder() + QStringLiteral("/other");
        QDir().mkpath(other);
        VaultRepository(other).prepareLayout();
        VaultRepository(other).createNote(QString(), QStringLiteral("Elsewhere"));
        await(library->openVaultAsync(other));

        QCOMPARE(fixture.read(old.path), QStringLiteral("unsaved"));
        QCOMPARE(library->loadPhase(), Phase::Ready);
        QCOMPARE(library->rootPath(), other);
        QCOMPARE(library->noticeMessage(), QStringLiteral("已切换笔记仓库"));
        QCOMPARE(fixture.settings().value(LibraryPreferences::vaultBookmarkKey()).toString(),
                 other);
        QVERIFY(!fixture.settings().contains(LibraryPreferences::legacyVaultBookmarkKey()));
        // The next launch finds the same vault.
        QCOMPARE(LibraryController(&fixture.settings()).rootPath(), other);
        QCOMPARE(library->openSessions().size(), 1);
        QCOMPARE(library->selectedSession()->path(), QStringLiteral("Elsewhere.md"));
        QCOMPARE(library->selectionKind(), LibraryController::SelectionKind::All);
        QVERIFY(library->searchText().isEmpty());
        QCOMPARE(library->creationFolderPath(), QString());
    }

    void failedSwitchKeepsTheOpenVault()
    {
        LibraryFixture fixture;
        fixture.repository().prepareLayout();
        fixture.repository().createMemo(QStringLiteral("kept"), QDateTime::currentDateTime(), {},
                                        {});
        auto library = fixture.loadedController();
        fixture.write(QStringLiteral("../blocker"), QStringLiteral("x"));
        await(library->openVaultAsync(fixture.folder() + QStringLiteral("/blocker/vault")));
        QCOMPARE(library->loadPhase(), Phase::Ready);
        QCOMPARE(library->rootPath(), fixture.vault());
        QCOMPARE(library->memos().size(), 1);
        QVERIFY(!library->alertMessage().isEmpty());
        QVERIFY(library->noticeMessage().isEmpty());
        QVERIFY(!fixture.settings().contains(LibraryPreferences::vaultBookmarkKey()));
    }

    void failedFirstChoiceStaysOnSetup()
    {
        LibraryFixture fixture;
        LibraryController library(&fixture.settings());
        fixture.write(QStringLiteral("../blocker"), QStringLiteral("x"));
        await(library.openVaultAsync(fixture.folder() + QStringLiteral("/blocker/vault")));
        QVERIFY(!library.isVaultConfigured());
        QCOMPARE(library.loadPhase(), Phase::Failed);
        QVERIFY(!library.alertMessage().isEmpty());
    }

    // The new vault is usable even when its article cannot be read: a first choice must not
    // stay on the restoring screen.
    void unreadableArticleAfterSwitchLeavesTheVaultReady()
    {
        LibraryFixture fixture;
        LibraryController library(&fixture.settings());
        const QString other = fixture.folder() + QStringLiteral("/other");
        QDir().mkpath(other);
        VaultRepository(other).prepareLayout();
        QFile bad(other + QStringLiteral("/Notes/Bad.md"));
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write("\xff\xfe not text");
        bad.close();
        await(library.openVaultAsync(other));
        QVERIFY(library.isVaultConfigured());
        QCOMPARE(library.loadPhase(), Phase::Ready);
        QCOMPARE(library.rootPath(), other);
        QCOMPARE(library.snapshot().notes.size(), 1);
        QVERIFY(!library.selectedSession());
        QVERIFY(!library.alertMessage().isEmpty());
        QVERIFY(library.noticeMessage().isEmpty());
    }

    void accessMessages_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("permissionText");
        QTest::newRow("write denied") << LibraryController::vaultAccessMessage(FileError(
                                             FileError::write, QStringLiteral("/v"), EACCES))
                                      << true;
        QTest::newRow("folder on read-only volume")
            << LibraryController::vaultAccessMessage(
                   FileError(FileError::createFolder, QStringLiteral("/v"), EROFS))
            << true;
        QTest::newRow("read denied") << LibraryController::vaultAccessMessage(FileError(
                                            FileError::read, QStringLiteral("/v"), EACCES))
                                     << false;
        QTest::newRow("disk full") << LibraryController::vaultAccessMessage(
                                          FileError(FileError::write, QStringLiteral("/v"), ENOSPC))
                                   << false;
        QTest::newRow("vault error")
            << LibraryController::vaultAccessMessage(VaultError(VaultError::invalidPath)) << false;
    }
    void accessMessages()
    {
        QFETCH(QString, message);
        QFETCH(bool, permissionText);
        QCOMPARE(message.startsWith(QStringLiteral("无法写入所选位置。")), permissionText);
        QVERIFY(!message.isEmpty());
    }

    void noticesClearThemselvesButNotANewerOne()
    {
        LibraryFixture fixture;
        LibraryController library(&fixture.settings(), fixture.vault());
        library.showNotice(QStringLiteral("first"));
        QTest::qWait(1000);
        library.showNotice(QStringLiteral("second"));
        QTest::qWait(1000); // the first notice's timer has fired
        QCOMPARE(library.noticeMessage(), QStringLiteral("second"));
        QTRY_VERIFY_WITH_TIMEOUT(library.noticeMessage().isEmpty(), 1500);
    }

    void leavingTheWindowSavesEdits()
    {
        LibraryFixture fixture;
        fixture.repository().prepareLayout();
        const NoteDocument note =
            fixture.repository().createNote(QStringLiteral("Notes"), QStringLiteral("A"));
        auto library = fixture.loadedController();
        library->selectedSession()->updateMarkdown(QStringLiteral("typed"));
        library->handleApplicationActive(false);
        QTRY_COMPARE_WITH_TIMEOUT(fixture.read(note.path), QStringLiteral("typed"), 400);
    }
};

QTEST_GUILESS_MAIN(LoadingTest)
#include "tst_loading.moc"
