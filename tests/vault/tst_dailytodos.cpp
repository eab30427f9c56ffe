#include "dailytodos.h"
#include "testvault.h"
#include "vaultrepository.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

QDateTime may(int day, int hour = 10, int minute = 0)
{
    return QDateTime(QDate(2024, 5, day), QTime(hour, minute));
}

QString file(int day)
{
    return u"Journal/2024/05/2024-05-%1.md"_s.arg(day, 2, 10, '0'_L1);
}

DailyTodoItem todo(const char* text, bool done = false, QDateTime created = may(2, 0))
{
    return DailyTodoItem{0, QString::fromUtf8(text), done, created};
}

// Quotes the section's anchor: that is no section.
const QByteArray memoOne = "<a id=\"memo-1\"></a>\n\n## 09:30\n\nThe format: "
                           "<a id=\"daily-todos\"></a>\n- [ ] not a todo\n\n---\n";
const QByteArray memoTwo =
    "<a id=\"memo-2\" data-folder=\"Reading\"></a>\n\n## 14:05\n\nsecond\n\n---\n";

} // namespace

class DailyTodosTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void loadReadsOnlyItemLinesOfTheSection()
    {
        TestVault vault;
        vault.write(file(2), "# 2024-05-02\n\n<a id=\"daily-todos\"></a>\n\n## 今日待办\n\n"
                             "<!-- rolled-over-from:2024-05-01 -->\n\n"
                             "- [x] send the invoice\n"
                             "- [ ] renew passport <!-- created:2024-04-28 -->\n"
                             "- [X] upper case\n"
                             "-  [ ] two spaces\n* [ ] star\n- [] no box\nfree text\n"
                             "- [ ] bad date <!-- created:2024-02-30 -->\r\n"
                             "- [ ]    spaced   \n\n"_ba +
                                 memoOne);
        const QList<DailyTodoItem> items =
            VaultRepository(vault.root()).loadDailyTodos(may(2, 23, 59));
        const QList<DailyTodoItem> expected = {
            DailyTodoItem{0, u"send the invoice"_s, true, may(2, 0)},
            DailyTodoItem{1, u"renew passport"_s, false, QDate(2024, 4, 28).startOfDay()},
            DailyTodoItem{2, u"upper case"_s, true, may(2, 0)},
            DailyTodoItem{3, u"bad date"_s, false, may(2, 0)},
            DailyTodoItem{4, u"spaced"_s, false, may(2, 0)},
        };
        QCOMPARE(items, expected);
    }

    void loadOfMissingOrBrokenFile()
    {
        TestVault vault;
        const VaultRepository repository(vault.root());
        QVERIFY(repository.loadDailyTodos(may(2)).isEmpty());
        QVERIFY(vault.files().isEmpty()); // reading never creates the day file
        vault.write(file(2), "# 2024-05-02\n\n"_ba + memoOne);
        QVERIFY(repository.loadDailyTodos(may(2)).isEmpty());
        vault.write(file(3), "<a id=\"daily-todos\"></a>\n- [ ] caf\xe9\n"_ba);
        QVERIFY_EXCEPTION_THROWN(repository.loadDailyTodos(may(3)), FileError);
    }

    void saveCreatesDayFileWithSection()
    {
        TestVault vault;
        const VaultRepository repository(vault.root());
        // Around midnight local time: the day is the local one, not the UTC one.
        repository.saveDailyTodos(
            {todo("a\nb"), todo("   "), todo("done", true),
             todo("old", false, QDate(2024, 4, 28).startOfDay().addSecs(3600))},
            may(2, 0, 30));
        QCOMPARE(vault.readText(file(2)),
                 u"# 2024-05-02\n\n<a id=\"daily-todos\"></a>\n\n## 今日待办\n\n"
                 "- [ ] a b\n- [x] done\n- [ ] old <!-- created:2024-04-28 -->\n"_s);
        QCOMPARE(repository.loadDailyTodos(may(2)).at(2).createdAt,
                 QDate(2024, 4, 28).startOfDay());
    }

    void saveInsertsBeforeFirstMemoAndReplacesInPlace()
    {
        TestVault vault;
        const VaultRepository repository(vault.root());
        const QByteArray memos = memoOne + "\n" + memoTwo;
        vault.write(file(2), "# 2024-05-02\n\n"_ba + memos);

        repository.saveDailyTodos({todo("first")}, may(2));
        QCOMPARE(vault.read(file(2)), "# 2024-05-02\n\n<a id=\"daily-todos\"></a>\n\n"
                                      "## 今日待办\n\n- [ ] first\n\n"_ba +
                                          memos);

        repository.saveDailyTodos({todo("first", true), todo("second")}, may(2));
        QCOMPARE(vault.read(file(2)), "# 2024-05-02\n\n<a id=\"daily-todos\"></a>\n\n"
                                      "## 今日待办\n\n- [x] first\n- [ ] second\n\n"_ba +
                                          memos);

        // An emptied list takes the whole section away, up to the first memo.
        repository.saveDailyTodos({}, may(2));
        QCOMPARE(vault.read(file(2)), "# 2024-05-02\n\n"_ba + memos);
    }

    void saveKeepsWordsWrittenIntoTheSection()
    {
        // Another program appended lines after the list; a save must not take them for its own.
        TestVault vault;
        const VaultRepository repository(vault.root());
        const QByteArray section = "<a id=\"daily-todos\"></a>\n\n## 今日待办\n\n- [ ] a\n"
                                   "between\n- [ ] b\noutside 1\r\noutside 2\n\n";
        vault.write(file(2), "# 2024-05-02\n\n"_ba + section + memoTwo);
        repository.saveDailyTodos({todo("a", true), todo("b"), todo("c")}, may(2));
        const QByteArray words = "between\noutside 1\noutside 2\n\n";
        QCOMPARE(vault.read(file(2)),
                 "# 2024-05-02\n\n<a id=\"daily-todos\"></a>\n\n## 今日待办\n\n"
                 "- [x] a\n- [ ] b\n- [ ] c\n\n"_ba +
                     words + memoTwo);
        repository.saveDailyTodos({}, may(2));
        QCOMPARE(vault.read(file(2)), "# 2024-05-02\n\n"_ba + words + memoTwo);
    }

    void saveWithoutMemosAndRepeatedSaves()
    {
        TestVault vault;
        const VaultRepository repository(vault.root());
        vault.write(file(2), "# 2024-05-02\n\nmy own words\n\n\n"_ba);
        repository.saveDailyTodos({todo("x")}, may(2));
        const QByteArray once = "# 2024-05-02\n\nmy own words\n\n<a id=\"daily-todos\"></a>\n\n"
                                "## 今日待办\n\n- [ ] x\n";
        QCOMPARE(vault.read(file(2)), once);
        // The section runs to the end of the file; saving again leaves one blank line after it.
        repository.saveDailyTodos({todo("x")}, may(2));
        QCOMPARE(vault.read(file(2)), once + "\n");
        repository.saveDailyTodos({todo("x")}, may(2));
        QCOMPARE(vault.read(file(2)), once + "\n");
        repository.saveDailyTodos({}, may(2));
        QCOMPARE(vault.read(file(2)), "# 2024-05-02\n\nmy own words\n\n"_ba);
    }

    void rollOverCarriesUnfinishedOnce()
    {
        TestVault vault;
        const VaultRepository repository(vault.root());
        vault.write(file(1), "# 2024-05-01\n\n<a id=\"daily-todos\"></a>\n\n## 今日待办\n\n"
                             "- [x] send the invoice\n- [ ] call\n"
                             "- [ ] renew passport <!-- created:2024-04-28 -->\n"
                             "- [ ] call\n\n"_ba +
                                 memoOne);
        const QByteArray yesterday = vault.read(file(1));

        repository.rollOverDailyTodos(may(2, 0, 5));
        const QByteArray rolled = "# 2024-05-02\n\n<a id=\"daily-todos\"></a>\n\n## 今日待办\n\n"
                                  "<!-- rolled-over-from:2024-05-01 -->\n\n"
                                  "- [ ] call <!-- created:2024-05-01 -->\n"
                                  "- [ ] renew passport <!-- created:2024-04-28 -->\n"
                                  "- [ ] call <!-- created:2024-05-01 -->\n";
        QCOMPARE(vault.read(file(2)), rolled);
        QCOMPARE(vault.read(file(1)), yesterday); // the day before is left as it was

        // Once a day: a second call, or one after the carried items were deleted, adds nothing.
        repository.rollOverDailyTodos(may(2, 18));
        QCOMPARE(vault.read(file(2)), rolled);
        repository.saveDailyTodos({}, may(2));
        const QByteArray emptied = "# 2024-05-02\n\n<a id=\"daily-todos\"></a>\n\n## 今日待办\n\n"
                                   "<!-- rolled-over-from:2024-05-01 -->\n\n";
        QCOMPARE(vault.read(file(2)), emptied);
        repository.rollOverDailyTodos(may(2, 19));
        QCOMPARE(vault.read(file(2)), emptied);
    }

    void rollOverKeepsTodaysItemsAndMemos()
    {
        TestVault vault;
        const VaultRepository repository(vault.root());
        vault.write(file(1), "<a id=\"daily-todos\"></a>\n\n- [ ] same\n- [ ] new\n"_ba);
        // Today already has 'same' from yesterday, a 'new' of its own, and a stale marker.
        vault.write(file(2), "# 2024-05-02\n\n<a id=\"daily-todos\"></a>\n\n## 今日待办\n\n"
                             "<!-- rolled-over-from:2024-04-30 -->\n\n"
                             "- [x] same <!-- created:2024-05-01 -->\n- [ ] new\n\n"_ba +
                                 memoOne);
        repository.rollOverDailyTodos(may(2));
        QCOMPARE(vault.read(file(2)),
                 "# 2024-05-02\n\n<a id=\"daily-todos\"></a>\n\n## 今日待办\n\n"
                 "<!-- rolled-over-from:2024-05-01 -->\n\n"
                 "- [x] same <!-- created:2024-05-01 -->\n- [ ] new\n"
                 "- [ ] new <!-- created:2024-05-01 -->\n\n"_ba +
                     memoOne);
    }

    void rollOverWithNothingToCarryWritesNothing()
    {
        TestVault vault;
        const VaultRepository repository(vault.root());
        repository.rollOverDailyTodos(may(2));
        QVERIFY(vault.files().isEmpty());
        vault.write(file(1), "<a id=\"daily-todos\"></a>\n\n- [x] done\n"_ba);
        repository.rollOverDailyTodos(may(2));
        QCOMPARE(vault.files(), QStringList{file(1)});
        // Items two days old are not consulted.
        repository.rollOverDailyTodos(may(3));
        QCOMPARE(vault.files(), QStringList{file(1)});
    }

    void rollOverNeverRewritesUndecodableDay()
    {
        TestVault vault;
        const VaultRepository repository(vault.root());
        vault.write(file(1), "<a id=\"daily-todos\"></a>\n\n- [ ] carry\n"_ba);
        const QByteArray broken("# 2024-05-02\n\ncaf\xe9\n");
        vault.write(file(2), broken);
        QVERIFY_EXCEPTION_THROWN(repository.rollOverDailyTodos(may(2)), FileError);
        QVERIFY_EXCEPTION_THROWN(repository.saveDailyTodos({todo("x")}, may(2)), FileError);
        QCOMPARE(vault.read(file(2)), broken);
    }

    // A change made from a list read earlier goes to the list as it is on disk now: another
    // program's changes since stay, and an item is found by its text, nearest its old position.
    void changesApplyToTheListOnDisk_data()
    {
        QTest::addColumn<QString>("disk"); // items, "+" marking a done one
        QTest::addColumn<int>("position"); // of the item as the caller saw it
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("remove");      // else toggle to done
        QTest::addColumn<QString>("expected"); // empty: todoNotFound, nothing written
        QTest::newRow("in place") << "a b c" << 1 << "b" << false << "a +b c";
        QTest::newRow("after an insertion above") << "x a b c" << 1 << "b" << false << "x a +b c";
        QTest::newRow("nearest of twins") << "b a b" << 2 << "b" << true << "b a";
        QTest::newRow("removed elsewhere") << "a c" << 1 << "b" << true << "";
        QTest::newRow("renamed elsewhere") << "a B c" << 1 << "b" << false << "";
    }
    void changesApplyToTheListOnDisk()
    {
        QFETCH(QString, disk);
        QFETCH(int, position);
        QFETCH(QString, text);
        QFETCH(bool, remove);
        QFETCH(QString, expected);
        const auto items = [](const QString& list) {
            QList<DailyTodoItem> result;
            for (const QString& item : list.split(' '_L1, Qt::SkipEmptyParts))
                result.append(DailyTodoItem{int(result.size()), item.mid(item.startsWith(u'+')),
                                            item.startsWith(u'+'), may(2, 0)});
            return result;
        };
        TestVault vault;
        const VaultRepository repository(vault.root());
        repository.saveDailyTodos(items(disk), may(2));
        const QByteArray before = vault.read(file(2));
        const DailyTodoItem seen{position, text, false, may(2, 0)};
        const auto change = [&] {
            if (remove)
                repository.removeDailyTodo(seen, may(2));
            else
                repository.setDailyTodoCompleted(seen, true, may(2));
        };
        if (expected.isEmpty()) {
            QVERIFY_VAULT_ERROR(change(), VaultError::todoNotFound);
            QCOMPARE(vault.read(file(2)), before);
        } else {
            change();
            QCOMPARE(repository.loadDailyTodos(may(2)), items(expected));
        }
    }
};

QTEST_GUILESS_MAIN(DailyTodosTest)
#include "tst_dailytodos.moc"
