// The main window off-screen around a controller on a temporary vault: which screen each state
// shows, the File menu's enabled states, the folder picker, the alert and the notice.

#include "apptestsupport.h"

#include <QQmlContext>
#include <QQmlProperty>

using Phase = LibraryController::LoadPhase;

class TestMainWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { configureApplication(*qGuiApp); }

    void windowChrome()
    {
        Sandbox sandbox;
        LibraryController library(sandbox.settings());
        MainWindow main(&library);
        QVERIFY(main.window);
        QCOMPARE(main.window->title(), QStringLiteral("Larch Notes"));
        QCOMPARE(main.window->size(), QSize(1180, 780));

        auto* menu = main.find<QObject>("fileMenu");
        QVERIFY(menu);
        QCOMPARE(menu->property("title").toString(), QStringLiteral("文件"));
        const QList<QPair<const char*, QString>> items = {
            {"newArticleItem", QStringLiteral("新建文章")},
            {"openVaultItem", QStringLiteral("打开仓库…")},
            {"revealVaultItem", QStringLiteral("在文件管理器中显示当前仓库")},
        };
        for (const auto& [name, text] : items) {
            auto* item = main.find<QObject>(name);
            QVERIFY2(item, name);
            QCOMPARE(item->property("text").toString(), text);
        }
        QCOMPARE(main.propertyOf("newArticleItem", "shortcutText").toString(),
                 QStringLiteral("Ctrl+N"));
        QCOMPARE(main.propertyOf("openVaultItem", "shortcutText").toString(),
                 QStringLiteral("Shift+Ctrl+O"));
    }

    void firstLaunchAsksForAFolder()
    {
        Sandbox sandbox;
        LibraryController library(sandbox.settings());
        MainWindow main(&library);
        main.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(main.window));
        QCOMPARE(main.screenName(), QStringLiteral("vaultSetupView"));
        QVERIFY(!main.propertyOf("newArticleItem", "enabled").toBool());
        QVERIFY(!main.propertyOf("revealVaultItem", "enabled").toBool());
        QVERIFY(main.propertyOf("openVaultItem", "enabled").toBool());

        // Each press opens the picker, also a second one.
        auto* picker = main.find<QObject>("folderPicker");
        QVERIFY(picker);
        for (int press = 1; press <= 2; ++press) {
            main.click(main.find("chooseFolderButton"));
            QTRY_VERIFY(picker->property("visible").toBool());
            QCOMPARE(library.vaultPickerRequest(), press);
            QMetaObject::invokeMethod(picker, "reject");
            QTRY_VERIFY(!picker->property("visible").toBool());
        }

        // The picked folder becomes the vault: the workspace shows it and the notice appears.
        main.shell.openPickedFolder(QUrl::fromLocalFile(sandbox.vault()));
        QTRY_COMPARE(main.screenName(), QStringLiteral("rootView"));
        QCOMPARE(library.rootPath(), sandbox.vault());
        QVERIFY(main.propertyOf("newArticleItem", "enabled").toBool());
        QVERIFY(main.propertyOf("revealVaultItem", "enabled").toBool());
        QTRY_COMPARE(main.propertyOf("noticeToast", "shownText").toString(),
                     QStringLiteral("已切换笔记仓库"));
    }

    void storedVaultShowsSkeletonThenWorkspace()
    {
        Sandbox sandbox;
        Sandbox::write(sandbox.vault() + QStringLiteral("/a.md"), "# A\n");
        Sandbox::write(sandbox.vault() + QStringLiteral("/Notes/b.md"), "# B\n");
        LibraryController library(sandbox.settings(), sandbox.vault());
        MainWindow main(&library);
        QCOMPARE(main.screenName(), QStringLiteral("productRestoringView"));
        auto* skeleton = main.find<QObject>("productRestoringView");
        QCOMPARE(QQmlProperty(skeleton, QStringLiteral("Accessible.name"), qmlContext(skeleton))
                     .read()
                     .toString(),
                 QStringLiteral("正在恢复资料库"));

        main.shell.start();
        QTRY_COMPARE(main.screenName(), QStringLiteral("rootView"));
        // The workspace opens on the timeline, which follows the library.
        QVERIFY(main.find("memoTimelineView"));
        QCOMPARE(main.propertyOf("timelineList", "count").toInt(), 0);
        library.captureMemo(QStringLiteral("第一条记录"), QString(), {});
        QTRY_COMPARE(main.propertyOf("timelineList", "count").toInt(), 1);
    }

    void failedLoadShowsReasonAndRetries()
    {
        Sandbox sandbox;
        // The remembered vault is on a drive that is not connected.
        const QString vault = sandbox.path(QStringLiteral("drive/vault"));
        sandbox.settings()->setValue(QStringLiteral("larch-notes.vault-bookmark.v2"), vault);
        LibraryController library(sandbox.settings());
        MainWindow main(&library);
        main.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(main.window));

        main.shell.start();
        QTRY_COMPARE(main.screenName(), QStringLiteral("productLoadFailureView"));
        const QString message = library.loadFailureMessage();
        QVERIFY(!message.isEmpty());
        QCOMPARE(main.propertyOf("productLoadFailureView", "description").toString(), message);

        // The same text is alerted; "好" dismisses it.
        auto* alert = main.find<QObject>("alertDialog");
        QTRY_VERIFY(alert->property("opened").toBool());
        QCOMPARE(main.textOf("alertText"), message);
        auto* ok = main.find("alertOkButton");
        QCOMPARE(ok->property("text").toString(), QStringLiteral("好"));
        main.click(ok);
        QTRY_VERIFY(!alert->property("visible").toBool());
        QVERIFY(library.alertMessage().isEmpty());
        QCOMPARE(main.screenName(), QStringLiteral("productLoadFailureView"));

        // Once the drive is back, "重试" runs the whole load again.
        QVERIFY(QDir().mkpath(vault));
        main.click(main.find("retryButton"));
        QTRY_COMPARE(main.screenName(), QStringLiteral("rootView"));
        QVERIFY(QFileInfo(vault).isDir());
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
