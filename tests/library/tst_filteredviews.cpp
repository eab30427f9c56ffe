// What the workspace's filtered views stand on: rows picked from the published models, tag
// filtering and search rows of the controller, the memo queries by id, and the operations QML
// waits for.

#include "filteredlistmodel.h"
#include "librarytest.h"

#include <QSignalSpy>

namespace {

QList<MemoRecord> memos(const QStringList& ids)
{
    QList<MemoRecord> result;
    for (const QString& id : ids)
        result.append(MemoRecord{id, QDateTime(QDate(2024, 5, 1), QTime(8, 0)),
                                 QStringLiteral("Journal/2024/05/2024-05-01.md"),
                                 QStringLiteral("text of ") + id, QString()});
    return result;
}

QStringList keys(const FilteredListModel& model)
{
    QStringList result;
    for (int row = 0; row < model.count(); ++row)
        result.append(model.keyAt(row));
    return result;
}

QString text(const QAbstractItemModel& model, int row, const char* role)
{
    return model.index(row, 0).data(model.roleNames().key(role)).toString();
}

} // namespace

class FilteredViewsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Rows are chosen by a function, shown by key, and a new choice is announced as the
    // smallest change.
    void rowsPickedFromSources()
    {
        MemoListModel source;
        source.setMemos(memos(
            {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("d")}));
        NoteListModel notes;
        notes.setNotes({NoteSummary{QStringLiteral("x.md"), QStringLiteral("X"), {}, {}, {}}});
        QList<qsizetype> chosen{3, 1};
        FilteredListModel model;
        model.addSection(&source, QStringLiteral("记录"), "memoId", [&]() { return chosen; });
        model.addSection(&notes, QStringLiteral("文章"), "path",
                         []() { return QList<qsizetype>{0}; });
        model.invalidate();
        QCOMPARE(keys(model),
                 (QStringList{QStringLiteral("d"), QStringLiteral("b"), QStringLiteral("x.md")}));
        QCOMPARE(text(model, 0, "markdown"), QStringLiteral("text of d"));
        QCOMPARE(text(model, 2, "section"), QStringLiteral("文章"));
        QCOMPARE(text(model, 2, "title"), QStringLiteral("X"));
        QVERIFY(!model.index(2, 0).data(model.roleNames().key("markdown")).isValid());
        QCOMPARE(model.sectionCount(0), 2);

        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
        QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
        QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
        chosen = {3, 2, 1};
        model.invalidate();
        QCOMPARE(inserted.count(), 1);
        QCOMPARE(inserted.first().at(1).toInt(), 1);
        QCOMPARE(removed.count() + reset.count(), 0);

        // A memo added at the head of the source: rows keep showing their memos by key, and
        // the choice is asked for again on the next turn of the event loop.
        QList<MemoRecord> grown =
            memos({QStringLiteral("new"), QStringLiteral("a"), QStringLiteral("b"),
                   QStringLiteral("c"), QStringLiteral("d")});
        source.setMemos(grown);
        QCOMPARE(text(model, 0, "markdown"), QStringLiteral("text of d"));
        chosen = {0};
        QTRY_COMPARE(keys(model), (QStringList{QStringLiteral("new"), QStringLiteral("x.md")}));

        // An edited memo is announced as a change of its row.
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        grown[0].markdown = QStringLiteral("edited");
        source.setMemos(grown);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(text(model, 0, "markdown"), QStringLiteral("edited"));
    }

    // Search rows of the controller: the search (or everything without one), then every
    // selected tag.
    void searchAndTagRows_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QStringList>("tags");
        QTest::addColumn<QStringList>("memoTexts");
        QTest::addColumn<QStringList>("notePaths");
        QTest::newRow("nothing") << QString() << QStringList()
                                 << QStringList{QStringLiteral("#x 早餐"),
                                                QStringLiteral("#x #y 午餐"),
                                                QStringLiteral("#y, 晚餐"),
                                                QStringLiteral("a#x 夜宵")}
                                 << QStringList{QStringLiteral("both.md"), QStringLiteral("x.md"),
                                                QStringLiteral("plain.md")};
        QTest::newRow("two tags, all of them")
            << QString() << QStringList{QStringLiteral("x"), QStringLiteral("y")}
            << QStringList{QStringLiteral("#x #y 午餐")} << QStringList{QStringLiteral("both.md")};
        QTest::newRow("tag and query")
            << QStringLiteral(" 餐 ") << QStringList{QStringLiteral("y")}
            << QStringList{QStringLiteral("#x #y 午餐"), QStringLiteral("#y, 晚餐")}
            << QStringList();
        QTest::newRow("a hash after a letter is no tag")
            << QString() << QStringList{QStringLiteral("x")}
            << QStringList{QStringLiteral("#x 早餐"), QStringLiteral("#x #y 午餐")}
            << QStringList{QStringLiteral("both.md"), QStringLiteral("x.md")};
        QTest::newRow("blank query is no search")
            << QStringLiteral("  ") << QStringList()
            << QStringList{QStringLiteral("#x 早餐"), QStringLiteral("#x #y 午餐"),
                           QStringLiteral("#y, 晚餐"), QStringLiteral("a#x 夜宵")}
            << QStringList{QStringLiteral("both.md"), QStringLiteral("x.md"),
                           QStringLiteral("plain.md")};
    }
    void searchAndTagRows()
    {
        QFETCH(QString, query);
        QFETCH(QStringList, tags);
        QFETCH(QStringList, memoTexts);
        QFETCH(QStringList, notePaths);
        LibraryFixture fixture;
        fixture.write(QStringLiteral("plain.md"), QStringLiteral("# Plain\n"));
        fixture.write(QStringLiteral("x.md"), QStringLiteral("only #x here\n"));
        fixture.write(QStringLiteral("both.md"), QStringLiteral("#y and #x/sub #x\n"));
        const VaultRepository repository = fixture.repository();
        repository.prepareLayout();
        const QDateTime start(QDate(2024, 5, 1), QTime(8, 0));
        int minute = 0;
        for (const char* memo : {"#x 早餐", "#x #y 午餐", "#y, 晚餐", "a#x 夜宵"})
            repository.createMemo(QString::fromUtf8(memo), start.addSecs(60 * minute++), {}, {});
        const auto library = fixture.loadedController();

        QStringList foundMemos;
        for (qsizetype row : library->memoRows(query, tags))
            foundMemos.append(library->memos().at(row).markdown);
        QCOMPARE(foundMemos, memoTexts);
        QStringList foundNotes;
        for (qsizetype row : library->noteRows(query, tags))
            foundNotes.append(library->snapshot().notes.at(row).path);
        // Without a search, notes keep the snapshot's order (newest first).
        if (query.trimmed().isEmpty())
            QCOMPARE(QSet<QString>(foundNotes.cbegin(), foundNotes.cend()),
                     QSet<QString>(notePaths.cbegin(), notePaths.cend()));
        else
            QCOMPARE(foundNotes, notePaths);
        QTRY_COMPARE(library->tags(), (QStringList{QStringLiteral("x"), QStringLiteral("x/sub"),
                                                   QStringLiteral("y")}));
    }

    void memoQueries()
    {
        LibraryFixture fixture;
        fixture.write(QStringLiteral("Notes/Trip plan.md"), QStringLiteral("# Trip\n"));
        const VaultRepository repository = fixture.repository();
        repository.prepareLayout();
        const QDateTime at(QDate(2024, 5, 1), QTime(9, 30));
        const QString link = QStringLiteral("[Trip plan](../../../Notes/Trip%20plan.md)");
        const QString gone = QStringLiteral("[Gone](../../../Notes/Gone.md)");
        const QString plain = QStringLiteral("words\n\n![图片](../../../Attachments/a.png)");
        int minute = 0;
        for (const QString& text : {link, gone, plain})
            repository.createMemo(text, at.addSecs(60 * minute++), {}, {});
        const auto library = fixture.loadedController();
        QCOMPARE(library->memos().size(), 3);

        QStringList articlePaths;
        for (const MemoRecord& memo : library->memos())
            articlePaths.append(library->articlePathOf(memo.id));
        QCOMPARE(articlePaths, (QStringList{QStringLiteral("Notes/Trip plan.md"),
                                            QStringLiteral("Notes/Gone.md"), QString()}));
        const QVariantMap memo = library->memoById(library->memos().at(2).id);
        QCOMPARE(memo.value(QStringLiteral("textWithoutMedia")).toString(),
                 QStringLiteral("words"));
        QCOMPARE(memo.value(QStringLiteral("journalPath")).toString(),
                 QStringLiteral("Journal/2024/05/2024-05-01.md"));
        QCOMPARE(memo.value(QStringLiteral("createdAt")).toDateTime(), at.addSecs(120));
        QCOMPARE(library->memoById(library->memos().at(1).id)
                     .value(QStringLiteral("textWithoutMedia"))
                     .toString(),
                 QStringLiteral("Gone"));
        QVERIFY(library->memoById(QStringLiteral("memo-unknown")).isEmpty());
    }

    // QML learns when an article is open: after the library has it, never before.
    void operationsToWaitFor()
    {
        LibraryFixture fixture;
        fixture.write(QStringLiteral("a.md"), QStringLiteral("# A\n"));
        fixture.repository().prepareLayout();
        const auto library = fixture.loadedController();

        PendingResult* created = library->createArticle(QStringLiteral("新的"), QString());
        QSignalSpy createdSpy(created, &PendingResult::finished);
        QVERIFY(createdSpy.wait());
        QCOMPARE(createdSpy.first().first().toString(), QStringLiteral("新的.md"));
        QCOMPARE(library->selectedSession()->path(), QStringLiteral("新的.md"));

        // Already open: finished all the same, on a later turn.
        PendingResult* opened = library->openNote(QStringLiteral("a.md"));
        QSignalSpy openedSpy(opened, &PendingResult::finished);
        QCOMPARE(openedSpy.count(), 0);
        QVERIFY(openedSpy.wait());
        QCOMPARE(openedSpy.first().first().toBool(), true);

        PendingResult* missing = library->openNote(QStringLiteral("missing.md"));
        QSignalSpy missingSpy(missing, &PendingResult::finished);
        QVERIFY(missingSpy.wait());
        QCOMPARE(missingSpy.first().first().toBool(), false);
        QVERIFY(!library->alertMessage().isEmpty());
    }
};

QTEST_GUILESS_MAIN(FilteredViewsTest)
#include "tst_filteredviews.moc"
