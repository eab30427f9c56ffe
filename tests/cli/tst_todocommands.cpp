#include "clitest.h"

#include <QJsonArray>

using namespace Qt::Literals::StringLiterals;

namespace {

QString todayFile()
{
    return dayFilePath(QDateTime::currentDateTime());
}

QString todayName()
{
    return QDate::currentDate().toString(u"yyyy-MM-dd"_s);
}

QString todayText(const QString& items)
{
    return u"# %1\n\n<a id=\"daily-todos\"></a>\n\n## 今日待办\n\n%2"_s.arg(todayName(), items);
}

} // namespace

class TodoCommandsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void addTickUntickRemove()
    {
        CliVault vault;
        QCOMPARE(vault.run(words(u"todo|add|买牛奶\n\n  call Li  |-"_s), "renew passport\n").status,
                 0);
        QCOMPARE(vault.readText(todayFile()),
                 todayText(u"- [ ] 买牛奶\n- [ ] call Li\n- [ ] renew passport\n"_s));

        QCOMPARE(vault.run(words(u"todo|done|2"_s)).status, 0);
        QCOMPARE(vault.run(words(u"todo|done|3"_s)).status, 0);
        QCOMPARE(vault.run(words(u"todo|done|--undo|3"_s)).status, 0);
        QCOMPARE(vault.run(words(u"todo|remove|1"_s)).status, 0);
        QCOMPARE(vault.readText(todayFile()),
                 todayText(u"- [x] call Li\n- [ ] renew passport\n\n"_s));

        QCOMPARE(vault.run(words(u"todo|list"_s)).outText(),
                 u" 1  [x]  call Li\n 2  [ ]  renew passport\n"_s);
        const CliRun json = vault.run(words(u"todo|list|--json"_s));
        QCOMPARE(json.json(u"date"_s).toString(), todayName());
        QCOMPARE(json.json(u"todos/0"_s).toObject(),
                 (QJsonObject{{u"number"_s, 1},
                              {u"text"_s, u"call Li"_s},
                              {u"done"_s, true},
                              {u"createdAt"_s, todayName() + u"T00:00:00+08:00"_s}}));
    }

    void unfinishedItemsOfYesterdayComeFirst()
    {
        CliVault vault;
        const QDateTime yesterday = QDateTime::currentDateTime().addDays(-1);
        const QString yesterdayName = yesterday.toString(u"yyyy-MM-dd"_s);
        const QString yesterdayText = u"# %1\n\n<a id=\"daily-todos\"></a>\n\n## 今日待办\n\n"
                                      "- [x] finished\n- [ ] carried\n"_s.arg(yesterdayName);
        vault.write(dayFilePath(yesterday), yesterdayText);

        // Every todo command sees the rolled-over list, so its numbers match `todo list`.
        QCOMPARE(vault.run(words(u"todo|add|new"_s)).status, 0);
        QCOMPARE(vault.run(words(u"todo|list"_s)).outText(),
                 u" 1  [ ]  carried（%1 起）\n 2  [ ]  new\n"_s.arg(yesterdayName));
        QCOMPARE(
            vault.readText(todayFile()),
            todayText(u"<!-- rolled-over-from:%1 -->\n\n"
                      "- [ ] carried <!-- created:%1 -->\n- [ ] new\n\n"_s.arg(yesterdayName)));
        QCOMPARE(vault.readText(dayFilePath(yesterday)), yesterdayText);
    }

    void badInputChangesNothing_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("error");
        QTest::newRow("blank items")
            << u"todo|add| \n |"_s << 1 << u"名称不能为空，也不能包含斜杠或冒号。\n"_s;
        QTest::newRow("past the end") << u"todo|done|3"_s << 1 << u"今日待办里没有第 3 项。\n"_s;
        QTest::newRow("zero") << u"todo|remove|0"_s << 1 << u"今日待办里没有第 0 项。\n"_s;
        QTest::newRow("not a number") << u"todo|done|first"_s << 2
                                      << u"待办序号“first”无效，请写 todo list 里显示的数字。\n"_s;
    }

    void badInputChangesNothing()
    {
        QFETCH(QString, arguments);
        CliVault vault;
        QCOMPARE(vault.run(words(u"todo|add|one\ntwo"_s)).status, 0);
        const QMap<QString, QByteArray> before = vault.contents();
        const CliRun run = vault.run(words(arguments));
        QTEST(run.status, "status");
        QTEST(run.errText(), "error");
        QCOMPARE(vault.contents(), before);
    }
};

QTEST_GUILESS_MAIN(TodoCommandsTest)
#include "tst_todocommands.moc"
