// The shell's decisions without the window: which screen each library state shows, when the
// File menu's commands apply, the reactions to the application becoming active or inactive,
// and that quitting writes pending edits first.

#include "apptestsupport.h"

#include "noteeditorsession.h"
#include "notelistmodel.h"
#include "outsidechanges.h"
#include "quitsignals.h"

#include <QSignalSpy>
#include <QWindow>

#include <csignal>

using Phase = LibraryController::LoadPhase;
using Screen = AppShell::Screen;

class TestAppShell : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { configureApplication(*qGuiApp); }

    void screenForState_data()
    {
        QTest::addColumn<bool>("configured");
        QTest::addColumn<Phase>("phase");
        QTest::addColumn<Screen>("screen");
        for (Phase phase : {Phase::Idle, Phase::Restoring, Phase::Ready, Phase::Failed})
            QTest::addRow("unconfigured %d", int(phase)) << false << phase << Screen::VaultSetup;
        QTest::newRow("idle") << true << Phase::Idle << Screen::Restoring;
        QTest::newRow("restoring") << true << Phase::Restoring << Screen::Restoring;
        QTest::newRow("ready") << true << Phase::Ready << Screen::Workspace;
        QTest::newRow("failed") << true << Phase::Failed << Screen::LoadFailure;
    }
    void screenForState()
    {
        QFETCH(bool, configured);
        QFETCH(Phase, phase);
        QFETCH(Screen, screen);
        QCOMPARE(AppShell::screenFor(configured, phase), screen);
    }

    void firstLaunchDisablesVaultCommands()
    {
        Sandbox sandbox;
        LibraryController library(sandbox.settings());
        AppShell shell(&library);
        QVERIFY(!library.isVaultConfigured());
        QCOMPARE(shell.screen(), Screen::VaultSetup);
        QVERIFY(!shell.canCreateArticle());
        QVERIFY(!shell.canRevealVault());

        // Neither command does anything then, even when reached through its shortcut.
        bool opened = false;
        shell.setUrlOpener([&](const QUrl&) { return opened = true; });
        shell.newArticle();
        shell.revealVault();
        QVERIFY(!opened);
        QCOMPARE(library.noteModel()->count(), 0);

        // The first load does nothing without a vault: the setup screen stays.
        shell.start();
        QTest::qWait(50);
        QCOMPARE(shell.screen(), Screen::VaultSetup);

        QCOMPARE(shell.pickerStartFolder(), QUrl::fromLocalFile(QDir::homePath()));
        QSignalSpy requests(&library, &LibraryController::vaultPickerRequestChanged);
        shell.requestVaultPicker();
        shell.requestVaultPicker();
        QCOMPARE(requests.count(), 2);
        QCOMPARE(library.vaultPickerRequest(), 2);
    }

    void loadingEnablesNewArticle()
    {
        Sandbox sandbox;
        LibraryController library(sandbox.settings(), sandbox.vault());
        AppShell shell(&library);
        QCOMPARE(shell.screen(), Screen::Restoring);
        QVERIFY(shell.canRevealVault());
        QVERIFY(!shell.canCreateArticle());

        QSignalSpy screens(&shell, &AppShell::screenChanged);
        shell.start();
        QTRY_COMPARE(shell.screen(), Screen::Workspace);
        QVERIFY(shell.canCreateArticle());

        shell.newArticle();
        QTRY_COMPARE(library.noteModel()->count(), 1);
        QCOMPARE(library.snapshot().notes.constFirst().path, QStringLiteral("未命名笔记.md"));
        QVERIFY(QFile::exists(sandbox.vault() + QStringLiteral("/未命名笔记.md")));
    }

    void revealShowsTheVaultOrSaysWhyNot()
    {
        Sandbox sandbox;
        LibraryController library(sandbox.settings(), sandbox.vault());
        AppShell shell(&library);
        QList<QUrl> opened;
        bool succeed = true;
        shell.setUrlOpener([&](const QUrl& url) {
            opened.append(url);
            return succeed;
        });

        // The picker starts beside the vault.
        QCOMPARE(shell.pickerStartFolder(),
                 QUrl::fromLocalFile(QFileInfo(sandbox.vault()).absolutePath()));

        shell.revealVault();
        QCOMPARE(opened, QList<QUrl>{QUrl::fromLocalFile(sandbox.vault())});
        QVERIFY(shell.alertMessage().isEmpty());

        succeed = false;
        shell.revealVault();
        QVERIFY(shell.alertMessage().contains(sandbox.vault()));
        shell.dismissAlert();
        QVERIFY(shell.alertMessage().isEmpty());

        // A vault folder that has gone away is reported, not handed to the file manager.
        QVERIFY(QDir(sandbox.vault()).removeRecursively());
        opened.clear();
        shell.revealVault();
        QVERIFY(opened.isEmpty());
        QVERIFY(shell.alertMessage().contains(sandbox.vault()));
    }

    void applicationStateWritesAndRereads()
    {
        Sandbox sandbox;
        Sandbox::write(sandbox.vault() + QStringLiteral("/a.md"), "# A\n");
        LibraryController library(sandbox.settings(), sandbox.vault());
        AppShell shell(&library);
        shell.start();
        QTRY_COMPARE(library.loadPhase(), Phase::Ready);
        NoteEditorSession* session = library.selectedSession();
        QVERIFY(session);
        // Only the re-reads that the application's state causes are looked at here.
        library.outsideChangeWatcher()->follow(nullptr);

        // The window appearing is the first activation, not a return to the application.
        Sandbox::write(sandbox.vault() + QStringLiteral("/b.md"), "# B\n");
        shell.setApplicationState(Qt::ApplicationActive);
        QTest::qWait(100);
        QCOMPARE(library.noteModel()->count(), 1);

        // Leaving the application writes the pending edit, then re-reads the vault.
        session->updateMarkdown(QStringLiteral("# A\n\nedited\n"));
        shell.setApplicationState(Qt::ApplicationInactive);
        QTRY_COMPARE(library.noteModel()->count(), 2);
        QCOMPARE(Sandbox::read(sandbox.vault() + QStringLiteral("/a.md")),
                 QByteArray("# A\n\nedited\n"));

        // Coming back re-reads the vault.
        Sandbox::write(sandbox.vault() + QStringLiteral("/c.md"), "# C\n");
        shell.setApplicationState(Qt::ApplicationActive);
        QTRY_COMPARE(library.noteModel()->count(), 3);
    }

    void quittingWritesPendingEdits_data()
    {
        QTest::addColumn<bool>("throughWindow");
        QTest::newRow("closing the window") << true;
        QTest::newRow("quitting") << false;
    }
    void quittingWritesPendingEdits()
    {
        QFETCH(bool, throughWindow);
        Sandbox sandbox;
        const QString file = sandbox.vault() + QStringLiteral("/a.md");
        Sandbox::write(file, "# A\n");
        LibraryController library(sandbox.settings(), sandbox.vault());
        AppShell shell(&library);
        QWindow window;
        shell.watchWindow(&window);
        shell.start();
        QTRY_COMPARE(library.loadPhase(), Phase::Ready);
        QVERIFY(library.selectedSession());

        QSignalSpy aboutToFlush(&shell, &AppShell::aboutToFlush);
        library.selectedSession()->updateMarkdown(QStringLiteral("# A\n\nlast words\n"));
        if (throughWindow) {
            window.show();
            window.close();
        } else {
            shell.flushBeforeQuit();
        }
        // Written by the time closing returns: nothing waits for the autosave timer.
        QCOMPARE(Sandbox::read(file), QByteArray("# A\n\nlast words\n"));
        QCOMPARE(aboutToFlush.count(), 1);
    }

    // Ending the session or Ctrl+C quits through the event loop, so the flush on quit runs.
    void quitSignalsReachTheEventLoop_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
        QTest::newRow("SIGHUP") << int(SIGHUP);
    }
    void quitSignalsReachTheEventLoop()
    {
        QFETCH(int, signal);
        QuitSignals quitSignals;
        QVERIFY(quitSignals.isActive());
        QSignalSpy received(&quitSignals, &QuitSignals::received);
        QCOMPARE(::raise(signal), 0);
        QTRY_COMPARE(received.count(), 1);
        QCOMPARE(received.constFirst().constFirst().toInt(), signal);
    }
};

QTEST_MAIN(TestAppShell)
#include "tst_appshell.moc"
