// Search over published contents: folding, tokens, ranking, folders and the sidebar filter.

#include "recordstore.h"
#include "search.h"
#include "vaultrepository.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

namespace {

NoteSummary note(const QString& path, const QString& title, const QString& content = {},
                 int minutesAfterEpoch = 0)
{
    return NoteSummary{path, title, QString(), content,
                       QDateTime(QDate(2024, 5, 1), QTime(8, 0)).addSecs(minutesAfterEpoch * 60)};
}

QStringList paths(const QList<NoteSummary>& notes)
{
    QStringList result;
    for (const NoteSummary& n : notes)
        result.append(n.path);
    return result;
}

MemoRecord memo(const QString& id, const QDateTime& createdAt, const QString& markdown)
{
    return MemoRecord{id, createdAt, QStringLiteral("Journal/x.md"), markdown, QString()};
}

} // namespace

class SearchTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void folding_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("folded");
        QTest::newRow("case") << QStringLiteral("Hello World") << QStringLiteral("hello world");
        QTest::newRow("accents") << QStringLiteral("Café Crème") << QStringLiteral("cafe creme");
        QTest::newRow("full width") << QStringLiteral("ＡＢＣ１２３") << QStringLiteral("abc123");
        QTest::newRow("ligature") << QStringLiteral("ﬁle") << QStringLiteral("file");
        QTest::newRow("sharp s") << QStringLiteral("Straße") << QStringLiteral("strasse");
        QTest::newRow("chinese unchanged") << QStringLiteral("日记") << QStringLiteral("日记");
        QTest::newRow("runs meet")
            << QStringLiteral("Café笔记ＸE\u0301!") << QStringLiteral("cafe笔记xe!");
        QTest::newRow("hangul stays composed")
            << QStringLiteral("한국어 Ａ") << QStringLiteral("한국어 a");
        QTest::newRow("half-width katakana composes")
            << QStringLiteral("ｶﾞ")
            << QStringLiteral("ガ").normalized(QString::NormalizationForm_KD).remove(QChar(0x3099));
    }
    void folding()
    {
        QFETCH(QString, text);
        QFETCH(QString, folded);
        QCOMPARE(foldForSearch(text), folded);
    }

    void tokens()
    {
        QCOMPARE(
            searchTokens(QStringLiteral("  Foo\tBÄR \n baz ")),
            (QStringList{QStringLiteral("foo"), QStringLiteral("bar"), QStringLiteral("baz")}));
        QVERIFY(searchTokens(QStringLiteral("   ")).isEmpty());
        // An ideographic space separates tokens too.
        QCOMPARE(searchTokens(QStringLiteral("日记　旅行")).size(), 2);
    }

    void folders_data()
    {
        QTest::addColumn<QString>("notePath");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<bool>("inside");
        QTest::newRow("root holds all") << QStringLiteral("A/B/x.md") << QString() << true;
        QTest::newRow("direct") << QStringLiteral("A/x.md") << QStringLiteral("A") << true;
        QTest::newRow("subfolder") << QStringLiteral("A/B/x.md") << QStringLiteral("A") << true;
        QTest::newRow("sibling with prefix")
            << QStringLiteral("AB/x.md") << QStringLiteral("A") << false;
        QTest::newRow("root note") << QStringLiteral("x.md") << QStringLiteral("A") << false;
        QTest::newRow("folder named like note")
            << QStringLiteral("A.md") << QStringLiteral("A") << false;
    }
    void folders()
    {
        QFETCH(QString, notePath);
        QFETCH(QString, folder);
        QFETCH(bool, inside);
        QCOMPARE(isNoteInFolder(notePath, folder), inside);
    }

    void articleRanking()
    {
        // Dates run against the ranks: the rank decides first.
        const QList<NoteSummary> notes{
            note(QStringLiteral("my.md"), QStringLiteral("My café"), {}, 30),
            note(QStringLiteral("au-lait.md"), QStringLiteral("Café au lait"), {}, 20),
            note(QStringLiteral("cafe.md"), QStringLiteral("Café"), {}, 10),
            note(QStringLiteral("body.md"), QStringLiteral("Notes"),
                 QStringLiteral("went to a CAFÉ"), 40),
            note(QStringLiteral("other.md"), QStringLiteral("Tea"), QStringLiteral("nothing"), 50),
        };
        const NoteSearchIndex index = buildNoteSearchIndex(notes);
        QCOMPARE(paths(searchArticles(notes, index, QStringLiteral("cafe"))),
                 (QStringList{QStringLiteral("cafe.md"), QStringLiteral("au-lait.md"),
                              QStringLiteral("body.md"), QStringLiteral("my.md")}));
        // Every token must be found, in the title or the body.
        QCOMPARE(paths(searchArticles(notes, index, QStringLiteral("lait  CAFÉ"))),
                 QStringList{QStringLiteral("au-lait.md")});
        QCOMPARE(paths(searchArticles(notes, index, QStringLiteral("notes went"))),
                 QStringList{QStringLiteral("body.md")});
    }

    void articleSearchWithoutQuery()
    {
        const QList<NoteSummary> notes{
            note(QStringLiteral("A/old.md"), QStringLiteral("Old"), {}, 1),
            note(QStringLiteral("B/x.md"), QStringLiteral("X"), {}, 5),
            note(QStringLiteral("A/B/new.md"), QStringLiteral("New"), {}, 9),
        };
        const NoteSearchIndex index = buildNoteSearchIndex(notes);
        QVERIFY(searchArticles(notes, index, QStringLiteral("  ")).isEmpty());
        QCOMPARE(paths(searchArticles(notes, index, QString(), QStringLiteral("A"))),
                 (QStringList{QStringLiteral("A/B/new.md"), QStringLiteral("A/old.md")}));
        QCOMPARE(paths(searchArticles(notes, index, QStringLiteral("x"), QStringLiteral("A"))),
                 QStringList());
    }

    void memoSearch()
    {
        const QDateTime may1(QDate(2024, 5, 1), QTime(23, 30));
        const QDateTime may2(QDate(2024, 5, 2), QTime(0, 10));
        const QList<MemoRecord> memos{
            memo(QStringLiteral("a"), may1, QStringLiteral("Coffee with Zoë #旅行/京都")),
            memo(QStringLiteral("b"), may2, QStringLiteral("coffee again")),
            memo(QStringLiteral("c"), may2, QStringLiteral("tea")),
        };
        const MemoSearchIndex index = buildMemoSearchIndex(memos);
        auto ids = [](const QList<MemoRecord>& found) {
            QStringList result;
            for (const MemoRecord& m : found)
                result.append(m.id);
            return result;
        };
        QVERIFY(searchMemos(memos, index, QString()).isEmpty());
        QCOMPARE(ids(searchMemos(memos, index, QString(), QDate(2024, 5, 2))),
                 (QStringList{QStringLiteral("b"), QStringLiteral("c")}));
        QCOMPARE(ids(searchMemos(memos, index, QStringLiteral("COFFEE"))),
                 (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
        QCOMPARE(ids(searchMemos(memos, index, QStringLiteral("coffee"), QDate(2024, 5, 1))),
                 QStringList{QStringLiteral("a")});
        QCOMPARE(ids(searchMemos(memos, index, QStringLiteral("zoe 京都"))),
                 QStringList{QStringLiteral("a")});
    }

    void sidebarFilter_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("searchText");
        QTest::addColumn<QStringList>("expected");
        const QStringList all{QStringLiteral("A/a.md"), QStringLiteral("A/B/b.md"),
                              QStringLiteral("AB/c.md"), QStringLiteral("d.md")};
        QTest::newRow("all") << 0 << QString() << QString() << all;
        QTest::newRow("blank search") << 0 << QString() << QStringLiteral(" \n ") << all;
        QTest::newRow("quick is empty") << 1 << QString() << QStringLiteral("a") << QStringList();
        QTest::newRow("folder and subfolders")
            << 2 << QStringLiteral("A") << QString()
            << QStringList{QStringLiteral("A/a.md"), QStringLiteral("A/B/b.md")};
        QTest::newRow("title ignoring case")
            << 0 << QString() << QStringLiteral(" ALPHA ") << QStringList{QStringLiteral("A/a.md")};
        QTest::newRow("content") << 0 << QString() << QStringLiteral("needle")
                                 << QStringList{QStringLiteral("AB/c.md")};
        QTest::newRow("folder and content")
            << 2 << QStringLiteral("A") << QStringLiteral("needle") << QStringList();
    }
    void sidebarFilter()
    {
        QFETCH(int, kind);
        QFETCH(QString, folder);
        QFETCH(QString, searchText);
        QFETCH(QStringList, expected);
        const QList<NoteSummary> notes{
            note(QStringLiteral("A/a.md"), QStringLiteral("Alpha")),
            note(QStringLiteral("A/B/b.md"), QStringLiteral("Beta")),
            note(QStringLiteral("AB/c.md"), QStringLiteral("Gamma"),
                 QStringLiteral("a Needle here")),
            note(QStringLiteral("d.md"), QStringLiteral("Delta")),
        };
        const LibrarySelection selection = kind == 0   ? LibrarySelection::all()
                                           : kind == 1 ? LibrarySelection::quick()
                                                       : LibrarySelection::folder(folder);
        QCOMPARE(paths(filteredNotes(notes, buildNoteSearchIndex(notes), selection, searchText)),
                 expected);
    }

    // The vault's search index changes no result: searches and the sidebar filter over a real
    // vault with the index give what checking every note's text gives.
    void indexChangesNoResult()
    {
        const QStringList pool = {
            QStringLiteral("Café"),     QStringLiteral("cafe"), QStringLiteral("项目计划"),
            QStringLiteral("ＴＨＥ"),   QStringLiteral("the"),  QStringLiteral("한국어"),
            QStringLiteral("Straße"),   QStringLiteral("a,b"),  QStringLiteral("x.y-z"),
            QStringLiteral("- [ ]"),    QStringLiteral("😀"),    QStringLiteral("ﬁle"),
            QStringLiteral("İstanbul"), QStringLiteral("ǅ"),    QStringLiteral("海边总结"),
            QStringLiteral("e\u0301"),  QStringLiteral("ｶﾞ"),   QStringLiteral("\u3000")};
        QRandomGenerator random(3);
        const auto text = [&](int count) {
            QString result;
            for (int i = 0; i < count; ++i)
                result += pool.at(random.bounded(pool.size())) +
                          (random.bounded(4) ? QStringLiteral(" ") : QString());
            return result;
        };
        QTemporaryDir dir;
        for (int i = 0; i < 40; ++i) {
            const QString file = dir.path() +
                                 (i % 3 ? QStringLiteral("/A/") : QStringLiteral("/")) +
                                 text(2).trimmed().remove(QLatin1Char('/')) + QString::number(i) +
                                 QStringLiteral(".md");
            QDir().mkpath(QFileInfo(file).absolutePath());
            QFile out(file);
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(text(int(random.bounded(1, 30))).toUtf8());
        }
        const VaultRepository repository(dir.path());
        repository.records().setStartupCacheEnabled(false);
        repository.buildSearchIndex();
        const VaultSnapshot snapshot = repository.loadSnapshot();
        QVERIFY(snapshot.searchIndex);
        const NoteSearchIndex indexed = buildNoteSearchIndex(snapshot);
        const NoteSearchIndex scanned = buildNoteSearchIndex(snapshot.notes);
        const QList<NoteSummary>& notes = snapshot.notes;
        for (int i = 0; i < 600; ++i) {
            const QString source = notes.at(random.bounded(notes.size())).searchableContent.text() +
                                   pool.at(random.bounded(pool.size()));
            QString query = source.mid(random.bounded(source.size()), random.bounded(1, 7));
            if (random.bounded(3) == 0)
                query = query.toUpper() + QLatin1Char(' ') + pool.at(random.bounded(pool.size()));
            QCOMPARE(paths(searchArticles(notes, indexed, query)),
                     paths(searchArticles(notes, scanned, query)));
            QCOMPARE(paths(searchArticles(notes, indexed, query, QStringLiteral("A"))),
                     paths(searchArticles(notes, scanned, query, QStringLiteral("A"))));
            QCOMPARE(paths(filteredNotes(notes, indexed, LibrarySelection::all(), query)),
                     paths(filteredNotes(notes, scanned, LibrarySelection::all(), query)));
            // Typing on: the index narrows the earlier results as it narrows every note.
            QList<qsizetype> earlier = searchArticleRows(notes, indexed, query.left(1));
            std::sort(earlier.begin(), earlier.end());
            if (narrowsSearch(searchTokens(query.left(1)), searchTokens(query)))
                QCOMPARE(searchArticleRows(notes, indexed, query, {}, &earlier),
                         searchArticleRows(notes, scanned, query));
        }
    }

    void tags()
    {
        QCOMPARE(tagUnion({{QStringLiteral("b"), QStringLiteral("item10")},
                           {QStringLiteral("B"), QStringLiteral("item9"), QStringLiteral("b")},
                           {QStringLiteral("读书"), QStringLiteral("a")}}),
                 (QStringList{QStringLiteral("a"), QStringLiteral("B"), QStringLiteral("b"),
                              QStringLiteral("item9"), QStringLiteral("item10"),
                              QStringLiteral("读书")}));
        const QStringList carried{QStringLiteral("x"), QStringLiteral("y/z")};
        QVERIFY(hasEveryTag(carried, {}));
        QVERIFY(hasEveryTag(carried, {QStringLiteral("y/z"), QStringLiteral("x")}));
        QVERIFY(!hasEveryTag(carried, {QStringLiteral("x"), QStringLiteral("y")}));
        const QList<NoteSummary> notes{
            note(QStringLiteral("a.md"), QStringLiteral("A"), QStringLiteral("#x, and#no #读书"))};
        QCOMPARE(buildNoteSearchIndex(notes).tags.first(),
                 (QStringList{QStringLiteral("x"), QStringLiteral("读书")}));
    }

    // A rebuilt index takes unchanged notes from the previous one and gives the same result as
    // building from scratch.
    void incrementalIndex()
    {
        const QList<NoteSummary> before{
            note(QStringLiteral("a.md"), QStringLiteral("Alpha"), QStringLiteral("one #t")),
            note(QStringLiteral("b.md"), QStringLiteral("Beta"), QStringLiteral("two")),
            note(QStringLiteral("c.md"), QStringLiteral("Gamma"), QStringLiteral("three"))};
        QList<NoteSummary> after = before;
        after[1].searchableContent = QStringLiteral("changed #u");
        after.removeAt(2);
        after.prepend(note(QStringLiteral("d.md"), QStringLiteral("Délta"), QStringLiteral("new")));
        const NoteSearchIndex previous = buildNoteSearchIndex(before);
        const NoteSearchIndex rebuilt = buildNoteSearchIndex(after, before, previous);
        const NoteSearchIndex fresh = buildNoteSearchIndex(after);
        QCOMPARE(rebuilt.caseFoldedTitles, fresh.caseFoldedTitles);
        QCOMPARE(rebuilt.tags, fresh.tags);
        QCOMPARE(rebuilt.foldedTitles, fresh.foldedTitles);
        for (const QString& query : {QStringLiteral("changed"), QStringLiteral("delta"),
                                     QStringLiteral("one"), QStringLiteral("three")})
            QCOMPARE(searchArticleRows(after, rebuilt, query),
                     searchArticleRows(after, fresh, query));
    }

    void narrowing_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::addColumn<bool>("narrows");
        QTest::newRow("typed on") << QStringLiteral("笔") << QStringLiteral("笔记") << true;
        QTest::newRow("new word") << QStringLiteral("plan") << QStringLiteral("plan 项目") << true;
        QTest::newRow("word inside a longer one")
            << QStringLiteral("an") << QStringLiteral("plan") << true;
        QTest::newRow("deleted a character")
            << QStringLiteral("plan") << QStringLiteral("pla") << false;
        QTest::newRow("other word") << QStringLiteral("plan") << QStringLiteral("plum") << false;
        QTest::newRow("nothing before") << QStringLiteral(" ") << QStringLiteral("a") << false;
    }
    void narrowing()
    {
        QFETCH(QString, before);
        QFETCH(QString, after);
        QFETCH(bool, narrows);
        QCOMPARE(narrowsSearch(searchTokens(before), searchTokens(after)), narrows);
        // Looking among the earlier results finds what a full search finds.
        const QList<NoteSummary> notes{
            note(QStringLiteral("a.md"), QStringLiteral("Plan"), QStringLiteral("项目 笔记")),
            note(QStringLiteral("b.md"), QStringLiteral("Plum"), QStringLiteral("笔")),
            note(QStringLiteral("c.md"), QStringLiteral("planet"), QStringLiteral("笔记 an"))};
        const NoteSearchIndex index = buildNoteSearchIndex(notes);
        QList<qsizetype> earlier = searchArticleRows(notes, index, before);
        std::sort(earlier.begin(), earlier.end());
        if (narrows)
            QCOMPARE(searchArticleRows(notes, index, after, {}, &earlier),
                     searchArticleRows(notes, index, after));
    }

    void sidebarFolders()
    {
        const QList<FolderItem> folders{
            {QStringLiteral("Notes")},      {QStringLiteral("快速记录")},
            {QStringLiteral("快速记录/x")}, {QStringLiteral("快速记录x")},
            {QStringLiteral("item 10")},    {QStringLiteral("item 9")},
            {QStringLiteral("apple")}};
        QCOMPARE(visibleFolders(folders),
                 (QStringList{QStringLiteral("apple"), QStringLiteral("item 9"),
                              QStringLiteral("item 10"), QStringLiteral("Notes"),
                              QStringLiteral("快速记录x")}));
    }
};

QTEST_GUILESS_MAIN(SearchTest)
#include "tst_search.moc"
