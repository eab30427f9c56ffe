#include "memocontent.h"

#include <QSet>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

MemoRecord memoWith(const QString& markdown)
{
    return MemoRecord{u"memo-a"_s, QDateTime(QDate(2024, 5, 1), QTime(9, 30)),
                      u"Journal/2024/05/2024-05-01.md"_s, markdown, QString()};
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
            << u"buy milk\n\n### 续记 · 2024-05-01 10:00\n\ndone"_s << u"buy milk"_s
            << u"### 续记 · 2024-05-01 10:00\n\ndone"_s << QStringList{u"2024-05-01 10:00"_s}
            << QStringList{u"done"_s};
        QTest::newRow("none, not trimmed")
            << u" plain \n"_s << u" plain \n"_s << QString() << QStringList() << QStringList();
        QTest::newRow("no space after the hashes") << u"a\n###续记 · x"_s << u"a\n###续记 · x"_s
                                                   << QString() << QStringList() << QStringList();
        QTest::newRow("wide spacing and trailing spaces")
            << u"a\n###  续记  ·  x y  \nb\n### 续记 · z\n"_s << u"a"_s
            << u"###  续记  ·  x y  \nb\n### 续记 · z"_s << QStringList{u"x y"_s, u"z"_s}
            << QStringList{u"b"_s, QString()};
        QTest::newRow("crlf") << u"a\r\n\r\n### 续记 · t\r\n\r\nb\r\n"_s << u"a"_s
                              << u"### 续记 · t\r\n\r\nb"_s << QStringList{u"t"_s}
                              << QStringList{u"b"_s};
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
            followUps(u"x\n### 续记 · t\nsame\n### 续记 · t\nsame"_s);
        QCOMPARE(sections.size(), 2);
        QCOMPARE(sections.at(0).id(), sections.at(1).id());
        QCOMPARE(sections.at(0).id(), u"t"_s + QChar(u'\0') + u"same"_s);
        const MemoFollowUp left{u"a"_s, u"bc"_s};
        const MemoFollowUp right{u"ab"_s, u"c"_s};
        QVERIFY(left.id() != right.id());
    }

    void images()
    {
        const QString text = u"see ![](a.png) and\n\n![图 1](../b%20c.png)\n"
                             "### 续记 · t\n![x](d.png)"_s;
        const QList<MemoImageReference> expected{
            {QString(), u"a.png"_s}, {u"图 1"_s, u"../b%20c.png"_s}, {u"x"_s, u"d.png"_s}};
        QCOMPARE(imageReferences(text), expected);
        QCOMPARE(expected.at(1).id(), u"../b%20c.png"_s);
        QVERIFY(imageReferences(u"![a]() [b](c.png)"_s).isEmpty());
    }

    void mediaRemoval_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("withoutImageLines");
        QTest::addColumn<QString>("withoutMedia");
        QTest::newRow("image lines")
            << u"![图片](a.png)\n\ntext ![inline](b.png)\n\n  ![图片](c.png)  \n\n\n\nend"_s
            << u"text ![inline](b.png)\n\nend"_s << u"text ![inline](b.png)\n\nend"_s;
        QTest::newRow("paragraphs")
            << u"a\n\n\n\nb\n\n![图片](c.png)"_s << u"a\n\n\n\nb"_s << u"a\n\nb"_s;
        QTest::newRow("lone article link")
            << u"\n[Trip plan](../../../Notes/Trip%20plan.md)\n"_s
            << u"[Trip plan](../../../Notes/Trip%20plan.md)"_s << u"Trip plan"_s;
        QTest::newRow("article link with text")
            << u"see [Trip](Trip.md)"_s << u"see [Trip](Trip.md)"_s << u"see [Trip](Trip.md)"_s;
        QTest::newRow("crlf") << u"a\r\n![x](y)\r\nb"_s << u"a\r\r\nb"_s << u"a\r\r\nb"_s;
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
        QTest::newRow("only an image") << u"![图片](../../../Attachments/a.png)"_s << u"空白记录"_s;
        QTest::newRow("converted memo")
            << u"[Trip plan](../../../Notes/Trip%20plan.md)"_s << u"Trip plan"_s;
        QTest::newRow("marks")
            << u"# Title\n   ### Sub\n- [x] done *well*\n* item\n> quote `code` ~~s~~ "
               "a_b\n1. kept\n#tag"_s
            << u"Title\nSub\ndone well\nitem\n quote code s ab\n1. kept\n#tag"_s;
        QTest::newRow("links and inline images")
            << u"see [the doc](x.md#top) and ![a pic](p.png) here"_s
            << u"see the doc and a pic here"_s;
        QTest::newRow("follow-ups left out") << u"**main**\n\n### 续记 · t\n\nlater"_s << u"main"_s;
        QTest::newRow("only marks") << u"  **  \n"_s << u"空白记录"_s;
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
        QTest::newRow("converted memo") << u" [Trip plan](../../../Notes/Trip%20plan.md)\n"_s
                                        << u"../../../Notes/Trip plan.md"_s;
        QTest::newRow("malformed escape") << u"[a](100%.md)"_s << u"100%.md"_s;
        QTest::newRow("fragment") << u"[x](a.md#top)"_s << QString();
        QTest::newRow("not markdown") << u"[x](a.txt)"_s << QString();
        QTest::newRow("more text") << u"see [x](a.md)"_s << QString();
        QTest::newRow("image") << u"![x](a.md)"_s << QString();
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
            << u"old\n\n![图片](a.png)\n\n### 续记 · t\n\nlater"_s << u"  "_s
            << u"![图片](a.png)\n\n### 续记 · t\n\nlater"_s;
        QTest::newRow("images move after the text")
            << u"one\n\n![](a.png)\n\ntwo ![b](b.png)"_s << u" new \n"_s
            << u"new\n\n![图片](a.png)\n\n![b](b.png)"_s;
        QTest::newRow("follow-up images stay in their section")
            << u"old\n### 续记 · t\n![c](c.png)"_s << u"new"_s
            << u"new\n\n### 续记 · t\n![c](c.png)"_s;
        QTest::newRow("nothing left") << u"old"_s << QString() << QString();
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
        QTest::newRow("mixed") << u"#tag1 and #日记/旅行 but not a#b or ##"_s
                               << QStringList{u"tag1"_s, u"日记/旅行"_s};
        QTest::newRow("heading is no tag")
            << u"# Title\n(#x) _#y #z-1 #z-1"_s << QStringList{u"x"_s, u"z-1"_s, u"z-1"_s};
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
                                   LibrarySelection::folder(u"Notes"_s),
                                   LibrarySelection::folder(u"Notes"_s)};
        QCOMPARE(set.size(), 3);
        QVERIFY(LibrarySelection() == LibrarySelection::all());
        QVERIFY(LibrarySelection::folder(QString()) != LibrarySelection::all());
        QVERIFY(LibrarySelection::folder(u"a"_s) != LibrarySelection::folder(u"b"_s));
    }
};

QTEST_GUILESS_MAIN(MemoContentTest)
#include "tst_memocontent.moc"
