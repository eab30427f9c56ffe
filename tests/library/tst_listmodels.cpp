// The published list models announce the smallest change, so views keep their place.

#include "memolistmodel.h"
#include "notelistmodel.h"

#include <QSignalSpy>
#include <QTest>

namespace {

QList<MemoRecord> memos(int count)
{
    QList<MemoRecord> result;
    for (int i = 0; i < count; ++i)
        result.append(MemoRecord{QStringLiteral("memo-%1").arg(i),
                                 QDateTime(QDate(2024, 5, 1), QTime(8, 0)).addSecs(i * 60),
                                 QStringLiteral("Journal/2024/05/2024-05-01.md"),
                                 QStringLiteral("text %1 #tag%1").arg(i), QString()});
    return result;
}

} // namespace

class ListModelsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void smallestChange_data()
    {
        QTest::addColumn<QList<MemoRecord>>("next");
        QTest::addColumn<QString>("expected"); // the announced changes
        QList<MemoRecord> edited = memos(1000);
        edited[500].markdown = QStringLiteral("edited");
        QList<MemoRecord> inserted = memos(1000);
        inserted.insert(0, MemoRecord{QStringLiteral("memo-new"), QDateTime::currentDateTime(),
                                      QStringLiteral("x.md"), QStringLiteral("new"), QString()});
        QList<MemoRecord> removed = memos(1000);
        removed.removeAt(999);
        QList<MemoRecord> replaced = memos(1000);
        replaced[10].id = QStringLiteral("other");
        // One edited while others arrive beside it: its row stays (a view keeps its delegate).
        QList<MemoRecord> editedAndAppended = memos(3);
        editedAndAppended[2].markdown = QStringLiteral("edited");
        editedAndAppended.append(memos(5).mid(3));
        QList<MemoRecord> editedAndPrepended = memos(3);
        editedAndPrepended[0].markdown = QStringLiteral("edited");
        editedAndPrepended.prepend(MemoRecord{QStringLiteral("memo-new"), {}, {}, {}, {}});
        QTest::newRow("unchanged") << memos(1000) << QString();
        QTest::newRow("edited, others after")
            << editedAndAppended << QStringLiteral("inserted 3-4 changed 2-2");
        QTest::newRow("edited, one before")
            << editedAndPrepended << QStringLiteral("inserted 0-0 changed 1-1");
        QTest::newRow("one edited") << edited << QStringLiteral("changed 500-500");
        QTest::newRow("one added") << inserted << QStringLiteral("inserted 0-0");
        QTest::newRow("one removed") << removed << QStringLiteral("removed 999-999");
        QTest::newRow("one replaced") << replaced << QStringLiteral("removed 10-10 inserted 10-10");
        QTest::newRow("everything new") << memos(10) << QStringLiteral("reset");
    }
    void smallestChange()
    {
        QFETCH(QList<MemoRecord>, next);
        QFETCH(QString, expected);
        MemoListModel model;
        const qsizetype before = next.size() < 10 ? 3 : 1000;
        model.setMemos(memos(before));
        QStringList seen;
        connect(&model, &QAbstractItemModel::dataChanged, this,
                [&](const QModelIndex& a, const QModelIndex& b) {
                    seen.append(QStringLiteral("changed %1-%2").arg(a.row()).arg(b.row()));
                });
        connect(&model, &QAbstractItemModel::rowsInserted, this,
                [&](const QModelIndex&, int a, int b) {
                    seen.append(QStringLiteral("inserted %1-%2").arg(a).arg(b));
                });
        connect(&model, &QAbstractItemModel::rowsRemoved, this,
                [&](const QModelIndex&, int a, int b) {
                    seen.append(QStringLiteral("removed %1-%2").arg(a).arg(b));
                });
        connect(&model, &QAbstractItemModel::modelReset, this,
                [&]() { seen.append(QStringLiteral("reset")); });
        QSignalSpy count(&model, &ListModelBase::countChanged);
        model.setMemos(next);
        QCOMPARE(seen.join(QLatin1Char(' ')), expected);
        QCOMPARE(model.memos(), next);
        QCOMPARE(model.rowCount(), next.size());
        QCOMPARE(count.count(), next.size() == before ? 0 : 1);
    }

    void derivedRoles()
    {
        MemoListModel model;
        model.setMemos({MemoRecord{
            QStringLiteral("memo-1"), QDateTime(QDate(2024, 5, 1), QTime(23, 30)),
            QStringLiteral("Journal/2024/05/2024-05-01.md"),
            QStringLiteral(
                "**Hi** #a\n\n![图片](../../../Attachments/x.png)\n\n### 续记 · 2024-05-02 "
                "08:00\n\nlater #b"),
            QString()}});
        const QModelIndex row = model.index(0);
        const QHash<int, QByteArray> names = model.roleNames();
        auto role = [&](const char* name) { return model.data(row, names.key(name)); };
        QCOMPARE(role("day").toDate(), QDate(2024, 5, 1));
        QCOMPARE(role("plainText").toString(), QStringLiteral("Hi #a"));
        QCOMPARE(role("tags").toStringList(),
                 (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
        QCOMPARE(role("images").toList().size(), 1);
        QCOMPARE(
            role("followUps").toList().first().toMap().value(QStringLiteral("markdown")).toString(),
            QStringLiteral("later #b"));
        QCOMPARE(role("isArticleReference").toBool(), false);
        QCOMPARE(role("textWithoutMedia").toString(), QStringLiteral("**Hi** #a"));
    }
};

QTEST_GUILESS_MAIN(ListModelsTest)
#include "tst_listmodels.moc"
