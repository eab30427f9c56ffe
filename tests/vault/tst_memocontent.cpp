#include "memocontent.h"

#include <QSet>
#include <QTest>

namespace {

MemoRecord memoWith(const QString& markdown)
{
    return MemoRecord{QStringLiteral("memo-a"), QDateTime(QDate(2024, 5, 1), QTime(9, 30)),
                      QStringLiteral("Journal/2024/05/2024-05-01.md"), markdown, QString()};
}

} // namespace

class MemoContentTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sections_data()
    {
        QTest::addColumn<QString>("markdown");
        QTest::addColumn<QString>("primary");
        QTest::addColumn<QString>("followUpText");
        QTest::addColumn<QStringList>("stamps");
        QTest::addColumn<QStringList>("bodies");
        QTest::newRow("one follow-up")
            << QStringLiteral("buy milk\n\n### 续记 · 2024-05-01 10:00\n\ndone")
            << QStringLiteral("buy milk") << QStringLiteral("### 续记 · 2024-05-01 10:00\n\ndone")
            << QStringList{QStringLiteral("2024-05-01 10:00")}
            << QStringList{QStringLiteral("done")};
        QTest::newRow("none, not trimmed")
            << QStringLiteral(" plain \n") << QStringLiteral(" plain \n") << QString()
            << QStringList() << QStringList();
        QTest::newRow("no space after the hashes")
            << QStringLiteral("a\n###续记 · x") << QStringLiteral("a\n###续记 · x") << QString()
            << QStringList() << QStringList();
        QTest::newRow("wide spacing and trailing spaces")
            << QStringLiteral("a\n###  续记  ·  x y  \nb\n### 续记 · z\n") << QStringLiteral("a")
            << QStringLiteral("###  续记  ·  x y  \nb\n### 续记 · z")
            << QStringList{QStringLiteral("x y"), QStringLiteral("z")}
            << QStringList{QStringLiteral("b"), QString()};
        QTest::newRow("crlf") << QStringLiteral("a\r\n\r\n### 续记 · t\r\n\r\nb\r\n")
                              << QStringLiteral("a") << QStringLiteral("### 续记 · t\r\n\r\nb")
                              << QStringList{QStringLiteral("t")}
                              << QStringList{QStringLiteral("b")};
    }
    void sections()
    {
        QFETCH(QString, markdown);
        QFETCH(QString, primary);
        QFETCH(QString, followUpText);
        QFETCH(QStringList, stamps);
        QFETCH(QStringList, bodies);
        const MemoRecord memo = memoWith(markdown);
        QCOMPARE(primaryMarkdown(memo), primary);
        QCOMPARE(followUpMarkdown(memo), followUpText);
        QStringList gotStamps;
        QStringList gotBodies;
        for (const MemoFollowUp& section : followUps(memo)) {
            gotStamps.append(section.timestamp);
            gotBodies.append(section.markdown);
        }
        QCOMPARE(gotStamps, stamps);
        QCOMPARE(gotBodies, bodies);
    }

    void followUpIdentity()
    {
        const QList<MemoFollowUp> sections =
            followUps(QStringLiteral("x\n### 续记 · t\nsame\n### 续记 · t\nsame"));
        QCOMPARE(sections.size(), 2);
        QCOMPARE(sections.at(0).id(), sections.at(1).id());
        QCOMPARE(sections.at(0).id(), QStringLiteral("t") + QChar(u'\0') + QStringLiteral("same"));
        const MemoFollowUp left{QStringLiteral("a"), QStringLiteral("bc")};
        const MemoFollowUp right{QStringLiteral("ab"), QStringLiteral("c")};
        QVERIFY(left.id() != right.id());
    }

    void images()
    {
        const QString text = QStringLiteral("see ![](a.png) and\n\n![图 1](../b%20c.png)\n"
                                            "### 续记 · t\n![x](d.png)");
        const QList<MemoImageReference> expected{
            {QString(), QStringLiteral("a.png")},
            {QStringLiteral("图 1"), QStringLiteral("../b%20c.png")},
            {QStringLiteral("x"), QStringLiteral("d.png")}};
        QCOMPARE(imageReferences(text), expected);
        QCOMPARE(expected.at(1).id(), QStringLiteral("../b%20c.png"));
        QVERIFY(imageReferences(QStringLiteral("![a]() [b](c.png)")).isEmpty());
    }

    void mediaRemoval_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("withoutImageLines");
        QTest::addColumn<QString>("withoutMedia");
        QTest::newRow("image lines")
            << QStringLiteral(
                   "![图片](a.png)\n\ntext ![inline](b.png)\n\n  ![图片](c.png)  \n\n\n\nend")
            << QStringLiteral("text ![inline](b.png)\n\nend")
            << QStringLiteral("text ![inline](b.png)\n\nend");
        QTest::newRow("paragraphs") << QStringLiteral("a\n\n\n\nb\n\n![图片](c.png)")
                                    << QStringLiteral("a\n\n\n\nb") << QStringLiteral("a\n\nb");
        QTest::newRow("lone article link")
            << QStringLiteral("\n[Trip plan](../../../Notes/Trip%20plan.md)\n")
            << QStringLiteral("[Trip plan](../../../Notes/Trip%20plan.md)")
            << QStringLiteral("Trip plan");
        QTest::newRow("article link with text")
            << QStringLiteral("see [Trip](Trip.md)") << QStringLiteral("see [Trip](Trip.md)")
            << QStringLiteral("see [Trip](Trip.md)");
        QTest::newRow("crlf") << QStringLiteral("a\r\n![x](y)\r\nb") << QStringLiteral("a\r\r\nb")
                              << QStringLiteral("a\r\r\nb");
    }
    void mediaRemoval()
    {
        QFETCH(QString, text);
        QFETCH(QString, withoutImageLines);
        QFETCH(QString, withoutMedia);
        QCOMPARE(removingImageLines(text), withoutImageLines);
        QCOMPARE(textWithoutMedia(text), withoutMedia);
    }

    void plainTexts_data()
    {
        QTest::addColumn<QString>("markdown");
        QTest::addColumn<QString>("expected");
        QTest::newRow("only an image")
            << QStringLiteral("![图片](../../../Attachments/a.png)") << QStringLiteral("空白记录");
        QTest::newRow("converted memo")
            << QStringLiteral("[Trip plan](../../../Notes/Trip%20plan.md)")
            << QStringLiteral("Trip plan");
        QTest::newRow("marks")
            << QStringLiteral(
                   "# Title\n   ### Sub\n- [x] done *well*\n* item\n> quote `code` ~~s~~ "
                   "a_b\n1. kept\n#tag")
            << QStringLiteral("Title\nSub\ndone well\nitem\n quote code s ab\n1. kept\n#tag");
        QTest::newRow("links and inline images")
            << QStringLiteral("see [the doc](x.md#top) and ![a pic](p.png) here")
            << QStringLiteral("see the doc and a pic here");
        QTest::newRow("follow-ups left out")
            << QStringLiteral("**main**\n\n### 续记 · t\n\nlater") << QStringLiteral("main");
        QTest::newRow("only marks") << QStringLiteral("  **  \n") << QStringLiteral("空白记录");
    }
    void plainTexts()
    {
        QFETCH(QString, markdown);
        QFETCH(QString, expected);
        QCOMPARE(plainText(memoWith(markdown)), expected);
    }

    void articleLinks_data()
    {
        QTest::addColumn<QString>("markdown");
        QTest::addColumn<QString>("expected"); // null: none
        QTest::newRow("converted memo")
            << QStringLiteral(" [Trip plan](../../../Notes/Trip%20plan.md)\n")
            << QStringLiteral("../../../Notes/Trip plan.md");
        QTest::newRow("malformed escape")
            << QStringLiteral("[a](100%.md)") << QStringLiteral("100%.md");
        QTest::newRow("fragment") << QStringLiteral("[x](a.md#top)") << QString();
        QTest::newRow("not markdown") << QStringLiteral("[x](a.txt)") << QString();
        QTest::newRow("more text") << QStringLiteral("see [x](a.md)") << QString();
        QTest::newRow("image") << QStringLiteral("![x](a.md)") << QString();
    }
    void articleLinks()
    {
        QFETCH(QString, markdown);
        QFETCH(QString, expected);
        const std::optional<QString> link = referencedArticleLink(memoWith(markdown));
        QCOMPARE(link.has_value(), !expected.isNull());
        if (link)
            QCOMPARE(*link, expected);
    }

    void replacingPrimary_data()
    {
        QTest::addColumn<QString>("markdown");
        QTest::addColumn<QString>("newText");
        QTest::addColumn<QString>("expected");
        QTest::newRow("empty text keeps image and follow-up")
            << QStringLiteral("old\n\n![图片](a.png)\n\n### 续记 · t\n\nlater")
            << QStringLiteral("  ") << QStringLiteral("![图片](a.png)\n\n### 续记 · t\n\nlater");
        QTest::newRow("images move after the text")
            << QStringLiteral("one\n\n![](a.png)\n\ntwo ![b](b.png)") << QStringLiteral(" new \n")
            << QStringLiteral("new\n\n![图片](a.png)\n\n![b](b.png)");
        QTest::newRow("follow-up images stay in their section")
            << QStringLiteral("old\n### 续记 · t\n![c](c.png)") << QStringLiteral("new")
            << QStringLiteral("new\n\n### 续记 · t\n![c](c.png)");
        QTest::newRow("nothing left") << QStringLiteral("old") << QString() << QString();
    }
    void replacingPrimary()
    {
        QFETCH(QString, markdown);
        QFETCH(QString, newText);
        QFETCH(QString, expected);
        QCOMPARE(replacingPrimaryText(memoWith(markdown), newText), expected);
    }

    void tags_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("mixed") << QStringLiteral("#tag1 and #日记/旅行 but not a#b or ##")
                               << QStringList{QStringLiteral("tag1"), QStringLiteral("日记/旅行")};
        QTest::newRow("heading is no tag")
            << QStringLiteral("# Title\n(#x) _#y #z-1 #z-1")
            << QStringList{QStringLiteral("x"), QStringLiteral("z-1"), QStringLiteral("z-1")};
    }
    void tags()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, expected);
        QCOMPARE(memoTags(text), expected);
    }

    void selections()
    {
        QSet<LibrarySelection> set{LibrarySelection::all(), LibrarySelection::quick(),
                                   LibrarySelection::folder(QStringLiteral("Notes")),
                                   LibrarySelection::folder(QStringLiteral("Notes"))};
        QCOMPARE(set.size(), 3);
        QVERIFY(LibrarySelection() == LibrarySelection::all());
        QVERIFY(LibrarySelection::folder(QString()) != LibrarySelection::all());
        QVERIFY(LibrarySelection::folder(QStringLiteral("a")) !=
                LibrarySelection::folder(QStringLiteral("b")));
    }
};

QTEST_GUILESS_MAIN(MemoContentTest)
#include "tst_memocontent.moc"
