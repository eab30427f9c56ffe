#include "clitest.h"

#include "search.h"
#include "vaultrepository.h"

#include <QJsonArray>

using namespace Qt::Literals::StringLiterals;

namespace {

// The paths of the notes a `--json` run lists.
QStringList paths(const CliRun& run)
{
    QStringList result;
    for (const QJsonValue& item : run.json(u"notes"_s).toArray())
        result.append(item.toObject().value("path"_L1).toString());
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
        const CliRun run = vault.run(words(u"note|new|Plan [A]|--folder|Notes"_s));
        QCOMPARE(run.status, 0);
        QCOMPARE(run.outText(), u"Notes/Plan [A].md\n"_s);
        QCOMPARE(vault.readText(u"Notes/Plan [A].md"_s), u"# Plan [A]\n\n"_s);
        QVERIFY(vault.readText(dayFilePath(QDateTime::currentDateTime()))
                    .contains(u"\n\n[Plan \\[A\\]](../../../Notes/Plan%20[A].md)\n\n---\n"_s));
        QCOMPARE(vault.run(words(u"note|new|Plan [A]|--folder|Notes"_s)).outText(),
                 u"Notes/Plan [A] 2.md\n"_s);
        QCOMPARE(vault.run(words(u"folder|new|Projects|--parent|Notes"_s)).outText(),
                 u"Notes/Projects\n"_s);
        QVERIFY(QFileInfo(vault.path(u"Notes/Projects"_s)).isDir());
    }

    void listShowRenameTrash()
    {
        CliVault vault;
        writeNotes(vault, {{u"Notes/a.md"_s, u"# A\n\nalpha *text*"_s},
                           {u"Notes/Sub/b.md"_s, u"see [a](../a.md)\n"_s},
                           {u"NotesX/c.md"_s, u"中文预览"_s}});
        QCOMPARE(paths(vault.run(words(u"note|list|--json"_s))),
                 QStringList({u"NotesX/c.md"_s, u"Notes/Sub/b.md"_s, u"Notes/a.md"_s}));
        QCOMPARE(vault.run(words(u"note|list|--folder|Notes/"_s)).outText(),
                 u"2024-05-01 10:00  Notes/Sub/b.md  see a../a.md\n"
                 "2024-05-01 09:00  Notes/a.md      alpha text\n"_s);
        const CliRun shown = vault.run(words(u"note|show|Notes/./a.md"_s));
        QCOMPARE(shown.out, "# A\n\nalpha *text*\n"_ba);

        const CliRun renamed = vault.run(words(u"note|rename|Notes/a.md|Alpha"_s));
        QCOMPARE(renamed.outText(), u"Notes/Alpha.md\n"_s);
        QCOMPARE(vault.readText(u"Notes/Sub/b.md"_s), u"see [a](../Alpha.md)\n"_s);
        QCOMPARE(vault.run(words(u"note|trash|Notes/Alpha.md"_s)).status, 0);
        QCOMPARE(vault.readText(u".Trash/Alpha.md"_s), u"# A\n\nalpha *text*"_s);
        QVERIFY(!vault.exists(u"Notes/Alpha.md"_s));
    }

    void badInputChangesNothing_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("error"); // the start of standard error
        const QString invalidPath = u"资料库路径无效。\n"_s;
        const QString notFound = u"找不到这篇笔记。\n"_s;
        const QString invalidName = u"名称不能为空，也不能包含斜杠或冒号。\n"_s;
        QTest::newRow("show above the vault") << u"note|show|../x.md"_s << 1 << invalidPath;
        QTest::newRow("show an absolute path") << u"note|show|/etc/hosts"_s << 1 << invalidPath;
        QTest::newRow("show a missing note") << u"note|show|Notes/none.md"_s << 1 << notFound;
        QTest::newRow("list above the vault")
            << u"note|list|--folder|Notes/../.."_s << 1 << invalidPath;
        QTest::newRow("new in a missing folder")
            << u"note|new|x|--folder|Nowhere"_s << 1 << u"无法写入"_s;
        QTest::newRow("new with a blank title") << u"note|new|   "_s << 1 << invalidName;
        QTest::newRow("rename with a slash") << u"note|rename|Notes/a.md|x/y"_s << 1 << invalidName;
        QTest::newRow("rename a day file")
            << u"note|rename|Journal/2024/05/2024-05-01.md|x"_s << 1 << notFound;
        QTest::newRow("trash a folder") << u"note|trash|Notes"_s << 1 << notFound;
        QTest::newRow("trash above the vault") << u"note|trash|../a.md"_s << 1 << invalidPath;
        QTest::newRow("folder above the vault")
            << u"folder|new|x|--parent|../"_s << 1 << invalidPath;
        QTest::newRow("folder named ..") << u"folder|new|.."_s << 1 << invalidName;
        QTest::newRow("day with --notes")
            << u"search|x|--notes|--day|2024-05-01"_s << 2 << u"--day 只用于搜索记录"_s;
    }

    void badInputChangesNothing()
    {
        QFETCH(QString, arguments);
        QFETCH(QString, error);
        CliVault vault;
        vault.write(u"Notes/a.md"_s, u"# a\n"_s);
        vault.write(u"Journal/2024/05/2024-05-01.md"_s, u"# 2024-05-01\n\n"_s);
        const QMap<QString, QByteArray> before = vault.contents();
        const CliRun run = vault.run(words(arguments));
        QTEST(run.status, "status");
        QVERIFY2(run.errText().startsWith(error), qPrintable(run.errText()));
        QCOMPARE(vault.contents(), before);
        QVERIFY(!vault.exists(u"Nowhere"_s));
    }

    void searchRanksAsTheApplication()
    {
        CliVault vault;
        writeNotes(vault, {{u"Notes/Café.md"_s, u"old"_s},
                           {u"Café au lait.md"_s, u"middle"_s},
                           {u"Notes/My café.md"_s, u"new"_s},
                           {u"Notes/Drinks.md"_s, u"ＣＡＦＥ menu"_s},
                           {u"Notes/Tea.md"_s, u"nothing here"_s}});
        vault.write(u"Journal/2024/05/2024-05-01.md"_s,
                    u"# 2024-05-01\n\n<a id=\"memo-1\"></a>\n\n## 08:00\n\n#café visit\n\n---\n"_s);
        vault.write(u"Journal/2024/05/2024-05-02.md"_s,
                    u"# 2024-05-02\n\n<a id=\"memo-2\"></a>\n\n## 08:00\n\ncafe again\n\n---\n"_s);

        const CliRun all = vault.run(words(u"search|cafe|--json"_s));
        const QStringList expected{u"Notes/Café.md"_s, u"Café au lait.md"_s, u"Notes/Drinks.md"_s,
                                   u"Notes/My café.md"_s};
        QCOMPARE(paths(all), expected);
        QCOMPARE(all.json(u"memos"_s).toArray().size(), 2);

        // The same functions over the same vault give the same order.
        const VaultSnapshot snapshot = VaultRepository(vault.root()).loadSnapshot();
        QStringList library;
        for (const NoteSummary& note :
             searchArticles(snapshot.notes, buildNoteSearchIndex(snapshot.notes), u"cafe"_s))
            library.append(note.path);
        QCOMPARE(library, expected);

        QCOMPARE(paths(vault.run(words(u"search||--folder|Notes|--json"_s))),
                 QStringList({u"Notes/Tea.md"_s, u"Notes/Drinks.md"_s, u"Notes/My café.md"_s,
                              u"Notes/Café.md"_s}));
        const CliRun day = vault.run(words(u"search|CAFE|--day|2024-05-02"_s));
        QCOMPARE(day.outText(), u"记录\n2024-05-02 08:00  2  cafe again\n"_s);
        QCOMPARE(vault.run(words(u"search|tea|--memos"_s)).outText(), u"没有找到。\n"_s);
    }
};

QTEST_GUILESS_MAIN(NoteCommandsTest)
#include "tst_notecommands.moc"
