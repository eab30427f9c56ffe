#include "clitest.h"

#include <QJsonArray>

namespace {

QString todayFile()
{
    return dayFilePath(QDateTime::currentDateTime());
}

QString todayName()
{
    return QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
}

QString todayText(const QString& items)
{
    return QStringLiteral("# %1\n\n<a id=\"daily-todos\"></a>\n\n## 今日待办\n\n%2")
        .arg(todayName(), items);
}

} // namespace

class TodoCommandsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void addTickUntickRemove()
    {
        CliVault vault;
        QCOMPARE(
            vault.run(words(QStringLiteral("todo|add|买牛奶\n\n  call Li  |-")), "renew passport\n")
                .status,
            0);
        QCOMPARE(vault.readText(todayFile()),
                 todayText(QStringLiteral("- [ ] 买牛奶\n- [ ] call Li\n- [ ] renew passport\n")));

        QCOMPARE(vault.run(words(QStringLiteral("todo|done|2"))).status, 0);
        QCOMPARE(vault.run(words(QStringLiteral("todo|done|3"))).status, 0);
        QCOMPARE(vault.run(words(QStringLiteral("todo|done|--undo|3"))).status, 0);
        QCOMPARE(vault.run(words(QStringLiteral("todo|remove|1"))).status, 0);
        QCOMPARE(vault.readText(todayFile()),
                 todayText(QStringLiteral("- [x] call Li\n- [ ] renew passport\n\n")));

        QCOMPARE(vault.run(words(QStringLiteral("todo|list"))).outText(),
                 QStringLiteral(" 1  [x]  call Li\n 2  [ ]  renew passport\n"));
        const CliRun json = vault.run(words(QStringLiteral("todo|list|--json")));
        QCOMPARE(json.json(QStringLiteral("date")).toString(), todayName());
        QCOMPARE(json.json(QStringLiteral("todos/0")).toObject(),
                 (QJsonObject{{QStringLiteral("number"), 1},
                              {QStringLiteral("text"), QStringLiteral("call Li")},
                              {QStringLiteral("done"), true},
                              {QStringLiteral("createdAt"),
                               todayName() + QStringLiteral("T00:00:00+08:00")}}));
    }

    void unfinishedItemsOfYesterdayComeFirst()
    {
        CliVault vault;
        const QDateTime yesterday = QDateTime::currentDateTime().addDays(-1);
        const QString yesterdayName = yesterday.toString(QStringLiteral("yyyy-MM-dd"));
        const QString yesterdayText =
            QStringLiteral("# %1\n\n<a id=\"daily-todos\"></a>\n\n## 今日待办\n\n"
                           "- [x] finished\n- [ ] carried\n")
                .arg(yesterdayName);
        vault.write(dayFilePath(yesterday), yesterdayText);

        // Every todo command sees the rolled-over list, so its numbers match `todo list`.
        QCOMPARE(vault.run(words(QStringLiteral("todo|add|new"))).status, 0);
        QCOMPARE(vault.run(words(QStringLiteral("todo|list"))).outText(),
                 QStringLiteral(" 1  [ ]  carried（%1 起）\n 2  [ ]  new\n").arg(yesterdayName));
        QCOMPARE(vault.readText(todayFile()),
                 todayText(QStringLiteral("<!-- rolled-over-from:%1 -->\n\n"
                                          "- [ ] carried <!-- created:%1 -->\n- [ ] new\n\n")
                               .arg(yesterdayName)));
        QCOMPARE(vault.readText(dayFilePath(yesterday)), yesterdayText);
    }

    void badInputChangesNothing_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("error");
        QTest::newRow("blank items") << QStringLiteral("todo|add| \n |") << 1
                                     << QStringLiteral("名称不能为空，也不能包含斜杠或冒号。\n");
        QTest::newRow("past the end")
            << QStringLiteral("todo|done|3") << 1 << QStringLiteral("今日待办里没有第 3 项。\n");
        QTest::newRow("zero") << QStringLiteral("todo|remove|0") << 1
                              << QStringLiteral("今日待办里没有第 0 项。\n");
        QTest::newRow("not a number")
            << QStringLiteral("todo|done|first") << 2
            << QStringLiteral("待办序号“first”无效，请写 todo list 里显示的数字。\n");
    }

    void badInputChangesNothing()
    {
        QFETCH(QString, arguments);
        CliVault vault;
        QCOMPARE(vault.run(words(QStringLiteral("todo|add|one\ntwo"))).status, 0);
        const QMap<QString, QByteArray> before = vault.contents();
        const CliRun run = vault.run(words(arguments));
        QTEST(run.status, "status");
        QTEST(run.errText(), "error");
        QCOMPARE(vault.contents(), before);
    }
};

QTEST_GUILESS_MAIN(TodoCommandsTest)
#include "tst_todocommands.moc"
