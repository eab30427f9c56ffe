#include "clitest.h"

#include "search.h"
#include "vaultrepository.h"

#include <QJsonArray>

namespace {

// The paths of the notes a `--json` run lists.
QStringList paths(const CliRun& run)
{
    QStringList result;
    for (const QJsonValue& item : run.json(QStringLiteral("notes")).toArray())
        result.append(item.toObject().value(QLatin1String("path")).toString());
    return result;
}

// Articles with fixed modification dates, oldest first.
void writeNotes(const CliVault& vault, const QList<std::pair<QString, QString>>& notes)
{
    QDateTime date(QDate(2024, 5, 1), QTime(9, 0));
    for (const auto& [path, text] : notes) {
        vault.write(path, text);
        QFile file(vault.path(path));
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(date, QFileDevice::FileModificationTime));
        date = date.addSecs(3600);
    }
}

} // namespace

class NoteCommandsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void newNoteIsAnnouncedInTheMemoStream()
    {
        CliVault vault;
        const CliRun run = vault.run(words(QStringLiteral("note|new|Plan [A]|--folder|Notes")));
        QCOMPARE(run.status, 0);
        QCOMPARE(run.outText(), QStringLiteral("Notes/Plan [A].md\n"));
        QCOMPARE(vault.readText(QStringLiteral("Notes/Plan [A].md")),
                 QStringLiteral("# Plan [A]\n\n"));
        QVERIFY(vault.readText(dayFilePath(QDateTime::currentDateTime()))
                    .contains(QStringLiteral(
                        "\n\n[Plan \\[A\\]](../../../Notes/Plan%20[A].md)\n\n---\n")));
        QCOMPARE(vault.run(words(QStringLiteral("note|new|Plan [A]|--folder|Notes"))).outText(),
                 QStringLiteral("Notes/Plan [A] 2.md\n"));
        QCOMPARE(vault.run(words(QStringLiteral("folder|new|Projects|--parent|Notes"))).outText(),
                 QStringLiteral("Notes/Projects\n"));
        QVERIFY(QFileInfo(vault.path(QStringLiteral("Notes/Projects"))).isDir());
    }

    void listShowRenameTrash()
    {
        CliVault vault;
        writeNotes(vault, {{QStringLiteral("Notes/a.md"), QStringLiteral("# A\n\nalpha *text*")},
                           {QStringLiteral("Notes/Sub/b.md"), QStringLiteral("see [a](../a.md)\n")},
                           {QStringLiteral("NotesX/c.md"), QStringLiteral("中文预览")}});
        QCOMPARE(paths(vault.run(words(QStringLiteral("note|list|--json")))),
                 QStringList({QStringLiteral("NotesX/c.md"), QStringLiteral("Notes/Sub/b.md"),
                              QStringLiteral("Notes/a.md")}));
        QCOMPARE(vault.run(words(QStringLiteral("note|list|--folder|Notes/"))).outText(),
                 QStringLiteral("2024-05-01 10:00  Notes/Sub/b.md  see a../a.md\n"
                                "2024-05-01 09:00  Notes/a.md      alpha text\n"));
        const CliRun shown = vault.run(words(QStringLiteral("note|show|Notes/./a.md")));
        QCOMPARE(shown.out, QByteArray("# A\n\nalpha *text*\n"));

        const CliRun renamed = vault.run(words(QStringLiteral("note|rename|Notes/a.md|Alpha")));
        QCOMPARE(renamed.outText(), QStringLiteral("Notes/Alpha.md\n"));
        QCOMPARE(vault.readText(QStringLiteral("Notes/Sub/b.md")),
                 QStringLiteral("see [a](../Alpha.md)\n"));
        QCOMPARE(vault.run(words(QStringLiteral("note|trash|Notes/Alpha.md"))).status, 0);
        QCOMPARE(vault.readText(QStringLiteral(".Trash/Alpha.md")),
                 QStringLiteral("# A\n\nalpha *text*"));
        QVERIFY(!vault.exists(QStringLiteral("Notes/Alpha.md")));
    }

    void badInputChangesNothing_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("error"); // the start of standard error
        const QString invalidPath = QStringLiteral("资料库路径无效。\n");
        const QString notFound = QStringLiteral("找不到这篇笔记。\n");
        const QString invalidName = QStringLiteral("名称不能为空，也不能包含斜杠或冒号。\n");
        QTest::newRow("show above the vault")
            << QStringLiteral("note|show|../x.md") << 1 << invalidPath;
        QTest::newRow("show an absolute path")
            << QStringLiteral("note|show|/etc/hosts") << 1 << invalidPath;
        QTest::newRow("show a missing note")
            << QStringLiteral("note|show|Notes/none.md") << 1 << notFound;
        QTest::newRow("list above the vault")
            << QStringLiteral("note|list|--folder|Notes/../..") << 1 << invalidPath;
        QTest::newRow("new in a missing folder")
            << QStringLiteral("note|new|x|--folder|Nowhere") << 1 << QStringLiteral("无法写入");
        QTest::newRow("new with a blank title")
            << QStringLiteral("note|new|   ") << 1 << invalidName;
        QTest::newRow("rename with a slash")
            << QStringLiteral("note|rename|Notes/a.md|x/y") << 1 << invalidName;
        QTest::newRow("rename a day file")
            << QStringLiteral("note|rename|Journal/2024/05/2024-05-01.md|x") << 1 << notFound;
        QTest::newRow("trash a folder") << QStringLiteral("note|trash|Notes") << 1 << notFound;
        QTest::newRow("trash above the vault")
            << QStringLiteral("note|trash|../a.md") << 1 << invalidPath;
        QTest::newRow("folder above the vault")
            << QStringLiteral("folder|new|x|--parent|../") << 1 << invalidPath;
        QTest::newRow("folder named ..") << QStringLiteral("folder|new|..") << 1 << invalidName;
        QTest::newRow("day with --notes") << QStringLiteral("search|x|--notes|--day|2024-05-01")
                                          << 2 << QStringLiteral("--day 只用于搜索记录");
    }

    void badInputChangesNothing()
    {
        QFETCH(QString, arguments);
        QFETCH(QString, error);
        CliVault vault;
        vault.write(QStringLiteral("Notes/a.md"), QStringLiteral("# a\n"));
        vault.write(QStringLiteral("Journal/2024/05/2024-05-01.md"),
                    QStringLiteral("# 2024-05-01\n\n"));
        const QMap<QString, QByteArray> before = vault.contents();
        const CliRun run = vault.run(words(arguments));
        QTEST(run.status, "status");
        QVERIFY2(run.errText().startsWith(error), qPrintable(run.errText()));
        QCOMPARE(vault.contents(), before);
        QVERIFY(!vault.exists(QStringLiteral("Nowhere")));
    }

    void searchRanksAsTheApplication()
    {
        CliVault vault;
        writeNotes(vault, {{QStringLiteral("Notes/Café.md"), QStringLiteral("old")},
                           {QStringLiteral("Café au lait.md"), QStringLiteral("middle")},
                           {QStringLiteral("Notes/My café.md"), QStringLiteral("new")},
                           {QStringLiteral("Notes/Drinks.md"), QStringLiteral("ＣＡＦＥ menu")},
                           {QStringLiteral("Notes/Tea.md"), QStringLiteral("nothing here")}});
        vault.write(
            QStringLiteral("Journal/2024/05/2024-05-01.md"),
            QStringLiteral(
                "# 2024-05-01\n\n<a id=\"memo-1\"></a>\n\n## 08:00\n\n#café visit\n\n---\n"));
        vault.write(
            QStringLiteral("Journal/2024/05/2024-05-02.md"),
            QStringLiteral(
                "# 2024-05-02\n\n<a id=\"memo-2\"></a>\n\n## 08:00\n\ncafe again\n\n---\n"));

        const CliRun all = vault.run(words(QStringLiteral("search|cafe|--json")));
        const QStringList expected{
            QStringLiteral("Notes/Café.md"), QStringLiteral("Café au lait.md"),
            QStringLiteral("Notes/Drinks.md"), QStringLiteral("Notes/My café.md")};
        QCOMPARE(paths(all), expected);
        QCOMPARE(all.json(QStringLiteral("memos")).toArray().size(), 2);

        // The same functions over the same vault give the same order.
        const VaultSnapshot snapshot = VaultRepository(vault.root()).loadSnapshot();
        QStringList library;
        for (const NoteSummary& note : searchArticles(
                 snapshot.notes, buildNoteSearchIndex(snapshot.notes), QStringLiteral("cafe")))
            library.append(note.path);
        QCOMPARE(library, expected);

        QCOMPARE(
            paths(vault.run(words(QStringLiteral("search||--folder|Notes|--json")))),
            QStringList({QStringLiteral("Notes/Tea.md"), QStringLiteral("Notes/Drinks.md"),
                         QStringLiteral("Notes/My café.md"), QStringLiteral("Notes/Café.md")}));
        const CliRun day = vault.run(words(QStringLiteral("search|CAFE|--day|2024-05-02")));
        QCOMPARE(day.outText(), QStringLiteral("记录\n2024-05-02 08:00  2  cafe again\n"));
        QCOMPARE(vault.run(words(QStringLiteral("search|tea|--memos"))).outText(),
                 QStringLiteral("没有找到。\n"));
    }
};

QTEST_GUILESS_MAIN(NoteCommandsTest)
#include "tst_notecommands.moc"
