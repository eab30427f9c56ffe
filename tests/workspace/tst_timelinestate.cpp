// The memo timeline's rules without a window: the picture grid's geometry, the texts cut from
// memos, the share card's content, and the timeline, composer draft and inline editor against a
// controller on a temporary vault (the day files' bytes afterwards).

#include "composerdraft.h"
#include "imagegrid.h"
#include "inlinememoedit.h"
#include "librarytest.h"
#include "memorules.h"
#include "memoshare.h"
#include "memotimeline.h"

#include <QImage>

namespace {

QRectF r(qreal x, qreal y, qreal w, qreal h)
{
    return QRectF(x, y, w, h);
}

const QDateTime may1(QDate(2024, 5, 1), QTime(9, 30));

// A readable picture of the given size in the vault; its root-anchored Markdown path.
QString writePicture(const LibraryFixture& fixture, const QString& name, QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QDir().mkpath(fixture.path(QStringLiteral("Attachments")));
    image.save(fixture.path(QStringLiteral("Attachments/") + name));
    return QStringLiteral("/Attachments/") + name;
}

// The memos of the stream with this text, by id.
QString idOf(const LibraryController& library, const QString& markdown)
{
    for (const MemoRecord& memo : library.memos()) {
        if (memo.markdown == markdown)
            return memo.id;
    }
    return {};
}

QStringList visibleTexts(const MemoTimeline& timeline, const LibraryController& library)
{
    QStringList texts;
    for (qsizetype row : timeline.visibleRows())
        texts.append(library.memos().at(row).markdown);
    return texts;
}

} // namespace

class TimelineStateTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void gridGeometry_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<qreal>("available");
        QTest::addColumn<QSizeF>("first");
        QTest::addColumn<QSizeF>("size");
        QTest::addColumn<QList<QRectF>>("tiles");
        QTest::addColumn<int>("overflow");
        QTest::newRow("none") << 0 << 700.0 << QSizeF(10, 10) << QSizeF() << QList<QRectF>() << 0;
        // 16/9 at most, 0.8 at least; a height under one point counts as one.
        QTest::newRow("one wide") << 1 << 700.0 << QSizeF(4000, 1000) << QSizeF(560, 315)
                                  << QList<QRectF>{r(0, 0, 560, 315)} << 0;
        QTest::newRow("one tall") << 1 << 700.0 << QSizeF(1000, 4000) << QSizeF(560, 700)
                                  << QList<QRectF>{r(0, 0, 560, 700)} << 0;
        QTest::newRow("one flat") << 1 << 400.0 << QSizeF(1.2, 0.5) << QSizeF(400, 400 / 1.2)
                                  << QList<QRectF>{r(0, 0, 400, 400 / 1.2)} << 0;
        QTest::newRow("two") << 2 << 800.0 << QSizeF() << QSizeF(620, 348.75)
                             << QList<QRectF>{r(0, 0, 309, 348.75), r(311, 0, 309, 348.75)} << 0;
        QTest::newRow("three in a narrow column")
            << 3 << 322.0 << QSizeF() << QSizeF(322, 181.125)
            << QList<QRectF>{r(0, 0, 160, 181.125), r(162, 0, 160, 89.5625),
                             r(162, 91.5625, 160, 89.5625)}
            << 0;
        const QList<QRectF> four{r(0, 0, 309, 173.375), r(311, 0, 309, 173.375),
                                 r(0, 175.375, 309, 173.375), r(311, 175.375, 309, 173.375)};
        QTest::newRow("four") << 4 << 900.0 << QSizeF() << QSizeF(620, 348.75) << four << 0;
        QTest::newRow("seven: '+3' on the fourth")
            << 7 << 900.0 << QSizeF() << QSizeF(620, 348.75) << four << 3;
    }
    void gridGeometry()
    {
        QFETCH(int, count);
        QFETCH(qreal, available);
        QFETCH(QSizeF, first);
        const ImageGridLayout layout = imageGridLayout(count, available, first);
        QTEST(layout.size, "size");
        QTEST(layout.tiles, "tiles");
        QTEST(layout.overflow, "overflow");
    }

    void rules()
    {
        const QStringList two{QStringLiteral("/Attachments/a.png"),
                              QStringLiteral("/Attachments/b.png")};
        QCOMPARE(
            MemoRules::followUpText(QStringLiteral("看完了"), two),
            QStringLiteral("看完了\n\n![图片](/Attachments/a.png)\n\n![图片](/Attachments/b.png)"));
        QCOMPARE(MemoRules::followUpText(QString(), two.mid(0, 1)),
                 QStringLiteral("![图片](/Attachments/a.png)"));
        QCOMPARE(MemoRules::followUpText(QStringLiteral("x"), {}), QStringLiteral("x"));

        QCOMPARE(MemoRules::hiddenFollowUps(2, false), 0);
        QCOMPARE(MemoRules::hiddenFollowUps(3, false), 1);
        QCOMPARE(MemoRules::hiddenFollowUps(5, true), 0);
        QCOMPARE(MemoRules::followUpToggleText(2, false), QString());
        QCOMPARE(MemoRules::followUpToggleText(3, false), QStringLiteral("还有 1 条补充"));
        QCOMPARE(MemoRules::followUpToggleText(3, true), QStringLiteral("收起补充"));

        QVERIFY(!MemoRules::isLongText(QStringLiteral("l\n").repeated(11) + QLatin1Char('l')));
        QVERIFY(MemoRules::isLongText(QStringLiteral("l\n").repeated(12) + QLatin1Char('l')));

        // 42 user-perceived characters: an emoji with a modifier is one of them.
        const QString long43 = QString(41, QLatin1Char('a')) + QStringLiteral("👍🏽b");
        QCOMPARE(MemoRules::contextLabel(long43), long43.chopped(1));
        QCOMPARE(MemoRules::promotionTitle(QStringLiteral("第一行\n第二行")),
                 QStringLiteral("第一行"));
        QCOMPARE(MemoRules::promotionTitle(long43 + QStringLiteral("\nx")), long43.chopped(1));
    }

    void imageTypes_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("type");
        QTest::newRow("png") << "a.png"
                             << "image/png";
        QTest::newRow("upper-case jpg") << "a.JPG"
                                        << "image/jpeg";
        QTest::newRow("no extension") << "picture"
                                      << "image/x-fallback";
        QTest::newRow("unknown extension") << "a.zzqx"
                                           << "image/x-fallback";
        QTest::newRow("not a picture: stored as what it is") << "a.txt"
                                                             << "text/plain";
    }
    void imageTypes()
    {
        QFETCH(QString, file);
        QTEST(LibraryController::imageTypeForFile(file, QStringLiteral("image/x-fallback")),
              "type");
    }

    // The newest first; a focused day keeps only its memos; header texts follow the focus.
    void visibleMemos()
    {
        LibraryFixture fixture;
        const VaultRepository repository = fixture.repository();
        repository.createMemo(QStringLiteral("old"), may1.addDays(-1), {}, {});
        repository.createMemo(QStringLiteral("early"), may1, QStringLiteral("Elsewhere"), {});
        repository.createMemo(QStringLiteral("late"), may1.addSecs(3600), {}, {});
        const auto library = fixture.loadedController();
        MemoTimeline timeline;
        timeline.setLibrary(library.get());
        QCOMPARE(
            visibleTexts(timeline, *library),
            (QStringList{QStringLiteral("late"), QStringLiteral("early"), QStringLiteral("old")}));
        QCOMPARE(timeline.memos()->count(), 3);
        QCOMPARE(timeline.title(), QStringLiteral("记录"));
        QCOMPARE(timeline.emptyTitle(), QStringLiteral("从一句话开始"));

        timeline.setFocusDate(may1.date().startOfDay());
        QCOMPARE(visibleTexts(timeline, *library),
                 (QStringList{QStringLiteral("late"), QStringLiteral("early")}));
        QCOMPARE(timeline.title(), QStringLiteral("2024-05-01"));
        QCOMPARE(timeline.subtitle(), QStringLiteral("按日期筛选"));
        timeline.setFocusDate(may1.addDays(5));
        QCOMPARE(timeline.memos()->count(), 0);
        QCOMPARE(timeline.emptyTitle(), QStringLiteral("这一天还没有记录"));
    }

    // A submission becomes todos, a follow-up of the continued memo, or a new memo; the
    // continued memo is forgotten at once.
    void submissions()
    {
        LibraryFixture fixture;
        const MemoRecord target =
            fixture.repository().createMemo(QStringLiteral("读书"), may1, {}, {});
        const auto library = fixture.loadedController();
        MemoComposerDraft draft;
        draft.setLibrary(library.get());
        MemoTimeline timeline;
        timeline.setLibrary(library.get());
        timeline.setDraft(&draft);

        timeline.continueMemo(target.id);
        QCOMPARE(timeline.contextLabel(), QStringLiteral("读书"));
        const QStringList images{QStringLiteral("/Attachments/a.png"),
                                 QStringLiteral("/Attachments/b.png")};
        timeline.submit(QStringLiteral("第二章"), images, false);
        QCOMPARE(draft.targetMemoId(), QString());
        QCOMPARE(timeline.contextLabel(), QString());
        QTRY_COMPARE(library->memo(target.id)->markdown.count(QStringLiteral("![图片]")), 2);
        QVERIFY(library->memo(target.id)->markdown.endsWith(QStringLiteral(
            "第二章\n\n![图片](/Attachments/a.png)\n\n![图片](/Attachments/b.png)")));

        // Todo mode uses the text's lines only.
        timeline.submit(QStringLiteral("买牛奶\n\n  寄信 "), images, true);
        QTRY_COMPARE(library->todayTodos().size(), 2);
        QCOMPARE(library->todayTodos().at(1).text, QStringLiteral("寄信"));
        QCOMPARE(library->memos().size(), 1);

        timeline.submit(QString(), images.mid(1), false);
        QTRY_COMPARE(library->memos().size(), 2);
        QCOMPARE(library->memos().last().markdown,
                 QStringLiteral("![图片](../../../Attachments/b.png)"));
    }

    // Kept per vault in the preferences, so a new draft (the next start) finds it again.
    void draftSurvivesAndSubmits()
    {
        LibraryFixture fixture;
        const QString picture = writePicture(fixture, QStringLiteral("p.png"), QSize(8, 8));
        const auto library = fixture.loadedController();
        {
            MemoComposerDraft draft;
            draft.setLibrary(library.get());
            draft.setText(QStringLiteral("  \n "));
            QVERIFY(!draft.canSubmit());
            QVERIFY(!draft.takeSubmission());
            // The same picture twice: removing one leaves the other.
            await(draft.addImageFilesAsync({QUrl::fromLocalFile(fixture.path(picture.mid(1))),
                                            QUrl::fromLocalFile(fixture.path(picture.mid(1)))}));
            QCOMPARE(draft.imageCount(), 2);
            draft.removeImage(draft.images().first().id);
            QCOMPARE(draft.imageCount(), 1);
            draft.setText(QStringLiteral(" 一个想法 \n"));
            draft.setTodo(true);
            draft.setTargetMemoId(QStringLiteral("memo-x"));
        }
        MemoComposerDraft restored;
        restored.setLibrary(library.get());
        QCOMPARE(restored.text(), QStringLiteral(" 一个想法 \n"));
        QVERIFY(restored.isTodo());
        QCOMPARE(restored.targetMemoId(), QStringLiteral("memo-x"));
        const std::optional<MemoComposerDraft::Submission> sent = restored.takeSubmission();
        QVERIFY(sent);
        QCOMPARE(sent->text, QStringLiteral("一个想法"));
        QCOMPARE(sent->imagePaths.size(), 1);
        QVERIFY(sent->imagePaths.first().startsWith(QStringLiteral("/Attachments/image-")));
        QVERIFY(sent->isTodo);
        QCOMPARE(restored.text(), QString());
        QCOMPARE(restored.imageCount(), 0);
        QVERIFY(!restored.isTodo());

        // A picture that cannot be read: the alert, and the draft unchanged.
        await(restored.addImageFilesAsync(
            {QUrl::fromLocalFile(fixture.path(QStringLiteral("gone.png")))}));
        QVERIFY(!library->alertMessage().isEmpty());
        QCOMPARE(restored.imageCount(), 0);
    }

    // One save half a second after the last change; none for an unchanged text; leaving the
    // memo (for another, or by going away) saves at once. Pictures and follow-ups stay.
    void inlineEditing()
    {
        LibraryFixture fixture;
        const VaultRepository repository = fixture.repository();
        const MemoRecord first = repository.createMemo(QStringLiteral("第一条"), may1, {},
                                                       {QStringLiteral("/Attachments/a.png")});
        repository.appendFollowUp(first.id, QStringLiteral("后来"), may1.addSecs(60));
        const MemoRecord second = repository.createMemo(QStringLiteral("第二条"), may1, {}, {});
        const auto library = fixture.loadedController();
        const QString day = fixture.read(first.journalPath);
        {
            InlineMemoEdit edit;
            edit.setLibrary(library.get());
            edit.toggle(first.id);
            QCOMPARE(edit.text(), QStringLiteral("第一条"));
            QTest::qWait(InlineMemoEdit::saveDelayMilliseconds + 200);
            QCOMPARE(fixture.read(first.journalPath), day);

            edit.setText(QStringLiteral("改过"));
            edit.setText(QStringLiteral("改过的第一条"));
            QTRY_VERIFY(
                library->memo(first.id)->markdown.startsWith(QStringLiteral("改过的第一条")));
            QCOMPARE(library->memo(first.id)->markdown,
                     QStringLiteral("改过的第一条\n\n![图片](../../../Attachments/a.png)\n\n"
                                    "### 续记 · 2024-05-01 09:31\n\n后来"));

            edit.toggle(second.id);
            edit.setText(QStringLiteral("第二条，没等半秒"));
            edit.toggle(first.id);
            QTRY_COMPARE(library->memo(second.id)->markdown, QStringLiteral("第二条，没等半秒"));
            edit.setText(QStringLiteral("走之前"));
        }
        QTRY_VERIFY(library->memo(first.id)->markdown.startsWith(QStringLiteral("走之前\n\n")));
    }

    // Date, text, the first three pictures that load, the tags in order with repeats.
    void shareCard()
    {
        LibraryFixture fixture;
        QStringList pictures;
        for (int i = 0; i < 5; ++i)
            pictures.append(writePicture(fixture, QStringLiteral("p%1.png").arg(i), QSize(4, 3)));
        pictures[1] = QStringLiteral("/Attachments/missing.png");
        const VaultRepository repository = fixture.repository();
        const MemoRecord tagged =
            repository.createMemo(QStringLiteral("#读书 看完 #读书 #a/b"), may1, {}, pictures);
        repository.appendFollowUp(tagged.id, QStringLiteral("#后记"), may1.addSecs(60));
        const MemoRecord bare = repository.createMemo(QString(), may1, {}, pictures.mid(0, 1));
        const auto library = fixture.loadedController();

        const ShareCardContent card = shareCardContent(*library, *library->memo(tagged.id));
        QCOMPARE(card.dateText, QStringLiteral("2024-05-01  09:30"));
        QCOMPARE(card.body, QStringLiteral("#读书 看完 #读书 #a/b"));
        QCOMPARE(card.images.size(), 2);
        QCOMPARE(card.images.at(1).fileName(), QStringLiteral("p2.png"));
        QCOMPARE(card.tags, QStringLiteral("#读书  #读书  #a/b  #后记"));

        const ShareCardContent pictureOnly = shareCardContent(*library, *library->memo(bare.id));
        QCOMPARE(pictureOnly.body, QStringLiteral("空白记录"));
        QCOMPARE(pictureOnly.tags, QString());

        MemoShare share;
        share.setLibrary(library.get());
        share.setMemoId(bare.id);
        QImage image(1440, 300, QImage::Format_ARGB32);
        image.fill(Qt::white);
        QVERIFY(share.writePicture(image));
        QCOMPARE(share.filePath(), shareCardPath(bare.id));
        QVERIFY(share.filePath().endsWith(QStringLiteral("/larch-memo-") + bare.id +
                                          QStringLiteral(".png")));
        image.fill(Qt::black);
        QVERIFY(share.writePicture(image));
        QCOMPARE(QImage(share.filePath()).pixelColor(0, 0), QColor(Qt::black));
        QFile::remove(share.filePath());
    }
};

QTEST_MAIN(TimelineStateTest)
#include "tst_timelinestate.moc"
