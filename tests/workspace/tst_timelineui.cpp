// The memo timeline in the real window, off-screen, on a temporary vault: the user captures,
// continues, edits, deletes, promotes and shares memos, with the keyboard, the mouse and an
// input method, and the day files hold the result.

#include "apptestsupport.h"

#include <QImage>
#include <QInputMethodEvent>
#include <QTimer>
#include <QtQuickTest/quicktest.h>

namespace {

const QDateTime may1(QDate(2024, 5, 1), QTime(9, 30));

// The window on a vault the test prepared, showing the timeline.
struct Timeline
{
    Sandbox sandbox;
    std::unique_ptr<LibraryController> library;
    std::unique_ptr<MainWindow> main;

    explicit Timeline(const std::function<void(const VaultRepository&)>& prepare = {})
    {
        const VaultRepository repository(sandbox.vault());
        repository.prepareLayout();
        if (prepare)
            prepare(repository);
        open();
    }
    void open()
    {
        library = std::make_unique<LibraryController>(sandbox.settings(), sandbox.vault());
        main = std::make_unique<MainWindow>(library.get());
        main->window->show();
        QVERIFY(QTest::qWaitForWindowExposed(main->window));
        main->shell.start();
        QTRY_VERIFY(item(QStringLiteral("memoTimelineView")));
    }
    void close()
    {
        main.reset();
        library.reset();
    }

    QQuickItem* item(const QString& name) const { return main->item(name); }
    // A named item of a memo's row, with the pointer over the row (its actions show on hover).
    QQuickItem* inRow(const QString& memoId, const QString& name) const
    {
        QQuickItem* row = nullptr;
        [&] { QTRY_VERIFY((row = item(QStringLiteral("memoRow:") + memoId))); }();
        QTest::mouseMove(main->window, row->mapToScene(QPointF(row->width() / 2, 12)).toPoint());
        QQuickItem* found = nullptr;
        [&] { QTRY_VERIFY((found = findItemIn(row, name))); }();
        return found;
    }
    void click(QQuickItem* target) const
    {
        QTRY_VERIFY2(target && target->isVisible(), "nothing to click");
        QTRY_VERIFY(!QQuickTest::qIsPolishScheduled(main->window));
        main->click(target);
    }
    void click(const QString& name) const
    {
        QQuickItem* target = nullptr;
        [&] { QTRY_VERIFY2((target = item(name)) && target->isVisible(), qPrintable(name)); }();
        click(target);
    }
    QObject* draft() const
    {
        return item(QStringLiteral("memoTimelineView"))->property("draft").value<QObject*>();
    }
    QObject* navigation() const
    {
        return item(QStringLiteral("rootView"))->property("navigation").value<QObject*>();
    }
    QString text(const QString& name) const
    {
        QQuickItem* found = item(name);
        return found ? found->property("text").toString() : QStringLiteral("<missing>");
    }
    void inputMethod(const QString& preedit, const QString& commit = {}) const
    {
        QInputMethodEvent event(preedit, {});
        if (!commit.isEmpty())
            event.setCommitString(commit);
        QCoreApplication::sendEvent(main->window->activeFocusItem(), &event);
    }
    void send() const { QTest::keyClick(main->window, Qt::Key_Return, Qt::ControlModifier); }
    QString dayFile(const MemoRecord& memo) const
    {
        return QString::fromUtf8(
            Sandbox::read(sandbox.vault() + QLatin1Char('/') + memo.journalPath));
    }
    QString picture(const QString& name) const
    {
        QImage image(QSize(64, 48), QImage::Format_RGB32);
        image.fill(QColor(0x40, 0x80, 0xc0));
        const QString path = sandbox.path(name);
        image.save(path);
        return path;
    }
};

} // namespace

class TimelineUiTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { configureApplication(*qGuiApp); }
    // Ctrl+Return sends; a composition in progress is neither sent nor lost; todo mode adds
    // today's todos; the draft outlives the timeline and the application.
    void capturing()
    {
        Timeline timeline;
        QCOMPARE(timeline.text(QStringLiteral("timelineTitle")), QStringLiteral("记录"));
        QTRY_VERIFY(timeline.item(QStringLiteral("timelineEmpty"))->isVisible());
        timeline.click(QStringLiteral("composerBar"));
        QTRY_VERIFY(timeline.item(QStringLiteral("composerText"))->hasActiveFocus());
        QVERIFY(!timeline.item(QStringLiteral("composerPlaceholder"))->isVisible());

        timeline.inputMethod(QString(), QStringLiteral("你好"));
        timeline.inputMethod(QStringLiteral("ne"));
        timeline.send();
        QTest::qWait(100);
        QCOMPARE(timeline.item(QStringLiteral("composerText"))->property("preeditText").toString(),
                 QStringLiteral("ne"));
        QVERIFY(timeline.library->memos().isEmpty());
        timeline.inputMethod(QString(), QStringLiteral("呢"));
        timeline.main->type(QStringLiteral(" Qt "));
        timeline.send();
        QTRY_COMPARE(timeline.library->memos().size(), 1);
        const MemoRecord memo = timeline.library->memos().first();
        QCOMPARE(timeline.dayFile(memo),
                 QStringLiteral("# %1\n\n<a id=\"%2\"></a>\n\n## %3\n\n你好呢 Qt\n\n---\n")
                     .arg(memo.createdAt.date().toString(Qt::ISODate), memo.id,
                          memo.createdAt.time().toString(QStringLiteral("HH:mm"))));
        QTRY_VERIFY(timeline.item(QStringLiteral("composerBar"))->isVisible());
        QCOMPARE(timeline.draft()->property("text").toString(), QString());

        // Todo mode, from the palette.
        timeline.click(QStringLiteral("barPaletteButton"));
        timeline.click(QStringLiteral("todoModeRow"));
        QTRY_COMPARE(timeline.text(QStringLiteral("composerStatus")), QStringLiteral("今日待办"));
        timeline.main->type(QStringLiteral("买菜"));
        QTest::keyClick(timeline.main->window, Qt::Key_Return);
        timeline.main->type(QStringLiteral("寄信"));
        timeline.click(QStringLiteral("sendButton"));
        QTRY_COMPARE(timeline.library->todayTodos().size(), 2);
        QTRY_COMPARE(timeline.text(QStringLiteral("todoPanelHeader")),
                     QStringLiteral("今日待办  0/2"));
        timeline.click(QStringLiteral("todoToggle:1"));
        QTRY_COMPARE(timeline.text(QStringLiteral("todoPanelHeader")),
                     QStringLiteral("今日待办  1/2"));
        QVERIFY(timeline.dayFile(memo).contains(QStringLiteral("- [x] 寄信")));

        // A half-written thought survives another destination, and a restart.
        timeline.click(QStringLiteral("composerBar"));
        timeline.main->type(QStringLiteral("未完"));
        QMetaObject::invokeMethod(timeline.navigation(), "showAllArticles");
        QTRY_VERIFY(!timeline.item(QStringLiteral("memoTimelineView")));
        QMetaObject::invokeMethod(timeline.navigation(), "showTimeline");
        QTRY_VERIFY(timeline.item(QStringLiteral("composerBar")));
        QCOMPARE(timeline.draft()->property("text").toString(), QStringLiteral("未完"));
        timeline.close();
        timeline.open();
        QCOMPARE(timeline.draft()->property("text").toString(), QStringLiteral("未完"));
    }

    // Continuing with text and two pictures adds one follow-up; editing in place keeps the
    // pictures and follow-ups, and its last words are saved when the view goes away and when
    // the application quits.
    void continuingAndEditing()
    {
        MemoRecord memo;
        Timeline timeline([&](const VaultRepository& repository) {
            memo = repository.createMemo(QStringLiteral("读书"), may1, {},
                                         {QStringLiteral("/Attachments/cover.png")});
        });
        timeline.click(timeline.inRow(memo.id, QStringLiteral("continueButton")));
        QTRY_COMPARE(timeline.text(QStringLiteral("composerContextLabel")),
                     QStringLiteral("续记：读书"));
        QMetaObject::invokeMethod(
            timeline.draft(), "addImageFiles",
            Q_ARG(QList<QUrl>,
                  (QList<QUrl>{QUrl::fromLocalFile(timeline.picture(QStringLiteral("a.png"))),
                               QUrl::fromLocalFile(timeline.picture(QStringLiteral("b.jpg")))})));
        QTRY_COMPARE(timeline.draft()->property("imageCount").toInt(), 2);
        QCOMPARE(timeline.text(QStringLiteral("composerStatus")), QStringLiteral("2 张图片"));
        timeline.main->type(QStringLiteral("第二章"));
        timeline.send();
        QTRY_VERIFY(timeline.dayFile(memo).contains(QStringLiteral("### 续记 · ")));
        static const QRegularExpression followUp(QStringLiteral(
            "读书\n\n!\\[图片\\]\\(../../../Attachments/cover.png\\)\n\n### 续记 · [0-9: -]+\n\n"
            "第二章\n\n!\\[图片\\]\\(/Attachments/image-[0-9a-f]{24}\\.png\\)\n\n"
            "!\\[图片\\]\\(/Attachments/image-[0-9a-f]{24}\\.jpg\\)\n\n---\n$"));
        QVERIFY2(followUp.match(timeline.dayFile(memo)).hasMatch(),
                 qPrintable(timeline.dayFile(memo)));

        // In place: only the memo's own words, then a composed word.
        timeline.click(timeline.inRow(memo.id, QStringLiteral("editButton")));
        QTRY_VERIFY(timeline.item(QStringLiteral("compactMemoText"))->hasActiveFocus());
        QCOMPARE(timeline.text(QStringLiteral("compactMemoText")), QStringLiteral("读书"));
        timeline.inputMethod(QStringLiteral("biji"));
        timeline.inputMethod(QString(), QStringLiteral("笔记"));
        QTRY_VERIFY(timeline.dayFile(memo).contains(
            QStringLiteral("读书笔记\n\n![图片](../../../Attachments/cover.png)\n\n### 续记")));

        // Leaving the timeline within the half second.
        timeline.main->type(QStringLiteral("一"));
        QMetaObject::invokeMethod(timeline.navigation(), "showAllArticles");
        QTRY_VERIFY(timeline.dayFile(memo).contains(QStringLiteral("读书笔记一\n\n")));

        // Quitting within the half second.
        QMetaObject::invokeMethod(timeline.navigation(), "showTimeline");
        timeline.click(timeline.inRow(memo.id, QStringLiteral("editButton")));
        QTRY_VERIFY(timeline.item(QStringLiteral("compactMemoText"))->hasActiveFocus());
        timeline.main->type(QStringLiteral("二"));
        timeline.main->shell.flushBeforeQuit();
        QVERIFY2(timeline.dayFile(memo).contains(QStringLiteral("读书笔记一二\n\n")),
                 qPrintable(timeline.dayFile(memo)));
        QCOMPARE(timeline.dayFile(memo).count(QStringLiteral("![图片]")), 3);
    }

    // Changes made elsewhere: a row shows them within a second; the inline editor takes them in
    // while it has nothing unsaved, and shows the conflict bar at once when it has; the bar's
    // choices leave the expected bytes; another program appending memos to the same day file
    // while the user types loses nothing of either.
    void outsideChanges()
    {
        MemoRecord memo;
        Timeline timeline([&](const VaultRepository& repository) {
            memo = repository.createMemo(QStringLiteral("旧的"), may1, {}, {});
        });
        const QString file = timeline.sandbox.vault() + QLatin1Char('/') + memo.journalPath;
        const auto rewrite = [&](const QString& from, const QString& to) {
            const QString day = timeline.dayFile(memo);
            QVERIFY2(day.contains(from), qPrintable(day));
            Sandbox::write(file, QString(day).replace(from, to).toUtf8());
        };
        const auto shown = [&] { return timeline.text(QStringLiteral("compactMemoText")); };
        QQuickItem* text = nullptr;
        QTRY_VERIFY((text = timeline.item(QStringLiteral("memoText"))));
        rewrite(QStringLiteral("旧的"), QStringLiteral("外面改的"));
        QTRY_COMPARE_WITH_TIMEOUT(text->property("text").toString(), QStringLiteral("外面改的"),
                                  1000);

        timeline.click(timeline.inRow(memo.id, QStringLiteral("editButton")));
        QTRY_VERIFY(timeline.item(QStringLiteral("compactMemoText"))->hasActiveFocus());
        rewrite(QStringLiteral("外面改的"), QStringLiteral("又改了"));
        QTRY_COMPARE_WITH_TIMEOUT(shown(), QStringLiteral("又改了"), 1000);
        QVERIFY(!timeline.item(QStringLiteral("conflictBar"))->isVisible());

        // Unsaved words: the bar at once, and the outside version stays on disk.
        timeline.main->type(QStringLiteral("甲"));
        rewrite(QStringLiteral("又改了"), QStringLiteral("外面第三版"));
        QTRY_VERIFY_WITH_TIMEOUT(timeline.item(QStringLiteral("conflictBar"))->isVisible(), 1000);
        QTest::qWait(700);
        QVERIFY(timeline.dayFile(memo).contains(QStringLiteral("\n外面第三版\n")));
        timeline.click(QStringLiteral("conflictUseOutside"));
        QTRY_COMPARE(shown(), QStringLiteral("外面第三版"));
        const QString trash = timeline.sandbox.vault() + QStringLiteral("/.Trash");
        QTRY_COMPARE(QDir(trash).entryList(QDir::Files).size(), 1);
        QCOMPARE(
            Sandbox::read(trash + QLatin1Char('/') + QDir(trash).entryList(QDir::Files).first()),
            QByteArray("又改了甲\n"));

        timeline.main->type(QStringLiteral("乙"));
        rewrite(QStringLiteral("外面第三版"), QStringLiteral("外面第四版"));
        QTRY_VERIFY_WITH_TIMEOUT(timeline.item(QStringLiteral("conflictBar"))->isVisible(), 1000);
        timeline.click(QStringLiteral("conflictKeepMine"));
        QTRY_VERIFY(timeline.dayFile(memo).contains(QStringLiteral("\n外面第三版乙\n")));
        QVERIFY(!timeline.dayFile(memo).contains(QStringLiteral("外面第四版")));
        QTRY_VERIFY(!timeline.item(QStringLiteral("conflictBar"))->isVisible());

        // A scripted writer appends memos to the same day file while the user types.
        int appended = 0;
        QTimer writer;
        QObject::connect(&writer, &QTimer::timeout, [&] {
            VaultRepository(timeline.sandbox.vault())
                .createMemo(QStringLiteral("外面第 %1 条").arg(++appended), may1.addSecs(600), {},
                            {});
        });
        writer.start(90);
        QString typed;
        for (int i = 0; i < 24; ++i) {
            const QString key = QString::number(i % 10);
            timeline.main->type(key);
            typed += key;
            QTest::qWait(i % 6 == 5 ? 600 : 40);
        }
        writer.stop();
        QTest::keyClick(timeline.main->window, Qt::Key_Escape);
        QTRY_VERIFY2(timeline.dayFile(memo).contains(QStringLiteral("\n外面第三版乙") + typed +
                                                     QStringLiteral("\n")),
                     qPrintable(timeline.dayFile(memo)));
        for (int i = 1; i <= appended; ++i)
            QVERIFY(timeline.dayFile(memo).contains(QStringLiteral("外面第 %1 条").arg(i)));
        QCOMPARE(QDir(trash).entryList(QDir::Files).size(), 1);
    }

    // Three follow-ups fold to the last two; deleting asks first; promoting goes through the
    // sheet with the memo's first line.
    void foldingDeletingAndPromoting()
    {
        MemoRecord doomed;
        MemoRecord promoted;
        Timeline timeline([&](const VaultRepository& repository) {
            doomed = repository.createMemo(QStringLiteral("删掉我"), may1, {}, {});
            for (int i = 1; i <= 3; ++i)
                repository.appendFollowUp(doomed.id, QStringLiteral("补充 %1").arg(i),
                                          may1.addSecs(60 * i));
            promoted =
                repository.createMemo(QStringLiteral("旅行计划\n去京都"), may1.addSecs(60), {}, {});
        });
        const auto followUps = [&] {
            QList<QQuickItem*> pending{timeline.item(QStringLiteral("memoRow:") + doomed.id)};
            int shown = 0;
            while (!pending.isEmpty()) {
                QQuickItem* next = pending.takeLast();
                shown += next->objectName() == QLatin1String("followUp") ? 1 : 0;
                pending.append(next->childItems());
            }
            return shown;
        };
        QQuickItem* toggle = timeline.inRow(doomed.id, QStringLiteral("followUpToggle"));
        QCOMPARE(toggle->property("text").toString(), QStringLiteral("还有 1 条补充"));
        QCOMPARE(followUps(), 2);
        timeline.click(toggle);
        QTRY_COMPARE(followUps(), 3);
        QCOMPARE(toggle->property("text").toString(), QStringLiteral("收起补充"));

        timeline.click(timeline.inRow(doomed.id, QStringLiteral("moreButton")));
        timeline.click(QStringLiteral("deleteItem"));
        QTRY_VERIFY(timeline.main->find<QObject>("deletionDialog")->property("opened").toBool());
        QCOMPARE(timeline.main->find<QObject>("deletionDialog")->property("title").toString(),
                 QStringLiteral("删除这条记录？"));
        timeline.click(QStringLiteral("confirmDeletionButton"));
        QTRY_VERIFY(!timeline.dayFile(promoted).contains(QStringLiteral("删掉我")));

        timeline.click(timeline.inRow(promoted.id, QStringLiteral("moreButton")));
        timeline.click(QStringLiteral("promoteItem"));
        QTRY_VERIFY(timeline.main->find<QObject>("promotionSheet")->property("opened").toBool());
        QCOMPARE(timeline.text(QStringLiteral("articleTitleField")), QStringLiteral("旅行计划"));
        timeline.click(QStringLiteral("createArticleButton"));
        QTRY_VERIFY(QFileInfo::exists(timeline.sandbox.vault() + QStringLiteral("/旅行计划.md")));
        QTRY_VERIFY(timeline.inRow(promoted.id, QStringLiteral("memoArticleReference")));
    }

    // Seven pictures: four tiles, the last counting three more; the viewer steps through all;
    // the share card is written at twice its size.
    void picturesAndSharing()
    {
        MemoRecord memo;
        Timeline timeline;
        QStringList paths;
        for (int i = 0; i < 7; ++i) {
            QImage image(QSize(80 + i, 60), QImage::Format_RGB32);
            image.fill(QColor::fromHsv(i * 40, 200, 200));
            const QString name = QStringLiteral("Attachments/p%1.png").arg(i);
            QDir().mkpath(timeline.sandbox.vault() + QStringLiteral("/Attachments"));
            image.save(timeline.sandbox.vault() + QLatin1Char('/') + name);
            paths.append(QLatin1Char('/') + name);
        }
        timeline.library->captureMemo(QStringLiteral("七张 #旅行"), QString(), paths);
        QTRY_COMPARE(timeline.library->memos().size(), 1);
        memo = timeline.library->memos().first();

        QTRY_VERIFY(timeline.inRow(memo.id, QStringLiteral("imageTile3")));
        QTRY_COMPARE(findItemIn(timeline.inRow(memo.id, QStringLiteral("imageTile3")),
                                QStringLiteral("overflowLabel"))
                         ->property("text")
                         .toString(),
                     QStringLiteral("+3"));
        QVERIFY(!findItemIn(timeline.item(QStringLiteral("memoRow:") + memo.id),
                            QStringLiteral("imageTile4")));
        timeline.click(timeline.inRow(memo.id, QStringLiteral("imageTile2")));
        QTRY_VERIFY(timeline.main->find<QObject>("memoImageViewer")->property("opened").toBool());
        QCOMPARE(timeline.text(QStringLiteral("viewerCounter")), QStringLiteral("3 / 7"));
        QCOMPARE(timeline.text(QStringLiteral("viewerTitle")), QStringLiteral("p2.png"));
        QTest::keyClick(timeline.main->window, Qt::Key_Right);
        QTRY_COMPARE(timeline.text(QStringLiteral("viewerCounter")), QStringLiteral("4 / 7"));
        QTest::keyClick(timeline.main->window, Qt::Key_Escape);
        QTRY_VERIFY(!timeline.main->find<QObject>("memoImageViewer")->property("opened").toBool());

        const QString card =
            QDir::tempPath() + QStringLiteral("/larch-memo-") + memo.id + QStringLiteral(".png");
        QFile::remove(card);
        timeline.click(timeline.inRow(memo.id, QStringLiteral("shareButton")));
        QTRY_VERIFY(timeline.main->find<QObject>("shareMenu")->property("opened").toBool());
        const QImage picture(card);
        QCOMPARE(picture.width(), 1440);
        QVERIFY(picture.height() > 1440 / 2);
        QFile::remove(card);
    }
};

QTEST_MAIN(TimelineUiTest)
#include "tst_timelineui.moc"
