// The editor screens' state without a window: the outline rail's measures, the reference
// panel's results and links, the full memo editor's loading and saving, against a controller
// on a temporary vault, and the line comparison of the difference view.

#include "editorrules.h"
#include "librarytest.h"
#include "memoeditorstate.h"
#include "referencesearch.h"
#include "textdifferencemodel.h"

#include <QSignalSpy>

using namespace Qt::Literals::StringLiterals;

namespace {

QStringList rowsOf(const ReferenceSearch& search)
{
    QStringList rows;
    for (int row = 0; row < search.rowCount(); ++row) {
        const QModelIndex index = search.index(row);
        const QString kind = index.data(ReferenceSearch::KindRole).toString();
        rows.append(kind == QLatin1String("header")
                        ? QLatin1Char('#') + index.data(ReferenceSearch::TextRole).toString()
                        : index.data(ReferenceSearch::TextRole).toString());
    }
    return rows;
}

void setModified(const QString& path, QDate day)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.setFileTime(QDateTime(day, QTime(12, 0)), QFileDevice::FileModificationTime));
}

} // namespace

class EditorStateTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void outlineRail()
    {
        // Five headings, the pointer over the third.
        QList<double> scales;
        for (int index = 0; index < 5; ++index)
            scales.append(EditorLayout::outlineScale(index, 2));
        QCOMPARE(scales, (QList<double>{1.1, 1.28, 1.65, 1.28, 1.1}));
        QCOMPARE(EditorLayout::outlineScale(0, -1), 1.0);
        QCOMPARE(EditorLayout::outlineScale(7, 2), 1.0);
        QList<double> widths;
        for (int level = 0; level <= 6; ++level)
            widths.append(EditorLayout::outlineBarWidth(level));
        QCOMPARE(widths, (QList<double>{7, 22, 16, 11, 7, 7, 7}));
        QCOMPARE(EditorLayout::outlineBarHeight(true), 2.0);
        QCOMPARE(EditorLayout::outlineBarHeight(false), 1.5);
        QCOMPARE(EditorLayout::headingToggleLevel(0), 2);
        QCOMPARE(EditorLayout::headingToggleLevel(1), 0);
        QCOMPARE(EditorLayout::headingToggleLevel(4), 0);
    }

    void tooltipWidth_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<double>("maximum");
        QTest::addColumn<double>("width");
        QTest::newRow("short title, at least 180") << QStringLiteral("目录") << 600.0 << 180.0;
        QTest::newRow("narrow editor") << QStringLiteral("目录") << 150.0 << 150.0;
        QTest::newRow("grows with the title") << QString(20, QLatin1Char('x')) << 600.0 << 268.0;
        QTest::newRow("long title clipped") << QString(80, QLatin1Char('x')) << 400.0 << 400.0;
        // A family emoji is one character to the reader, five code points, eight UTF-16 units.
        QTest::newRow("characters as seen")
            << QString::fromUtf8("👨‍👩‍👧‍👦").repeated(20) << 600.0 << 268.0;
    }
    void tooltipWidth()
    {
        QFETCH(QString, title);
        QFETCH(double, maximum);
        QFETCH(double, width);
        QCOMPARE(EditorLayout::outlineTooltipWidth(title, maximum), width);
    }

    void referenceSearch_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("sourcePath");
        QTest::addColumn<int>("state");
        QTest::addColumn<QStringList>("rows");
        const QString kyoto = QStringLiteral("Notes/京都.md");
        const auto state = [](ReferenceSearch::State s) { return int(s); };
        QTest::newRow("only spaces: nothing to search")
            << QStringLiteral("   ") << kyoto << state(ReferenceSearch::State::Prompt)
            << QStringList();
        QTest::newRow("only the article being edited has it")
            << QStringLiteral("金阁寺") << kyoto << state(ReferenceSearch::State::NoResults)
            << QStringList();
        QTest::newRow("memos newest first, then articles in snapshot order")
            << QStringLiteral("kyoto") << QStringLiteral("Notes/other.md")
            << state(ReferenceSearch::State::Results)
            << QStringList{QStringLiteral("#Memo"),      QStringLiteral("晚上 Kyoto"),
                           QStringLiteral("早上 KYOTO"), QStringLiteral("#文章"),
                           QStringLiteral("a[1]"),       QStringLiteral("京都")};
        QTest::newRow("the raw Markdown counts, image paths too")
            << QStringLiteral("cat.png") << kyoto << state(ReferenceSearch::State::Results)
            << QStringList{QStringLiteral("#Memo"), QStringLiteral("猫")};
        QTest::newRow("articles alone, without the source")
            << QStringLiteral("寺") << QStringLiteral("Notes/a[1].md")
            << state(ReferenceSearch::State::Results)
            << QStringList{QStringLiteral("#文章"), QStringLiteral("京都")};
    }
    void referenceSearch()
    {
        QFETCH(QString, query);
        QFETCH(QString, sourcePath);
        QFETCH(int, state);
        QFETCH(QStringList, rows);
        LibraryFixture fixture;
        fixture.write(QStringLiteral("Notes/a[1].md"), QStringLiteral("# a[1]\n\nkyoto 寺\n"));
        fixture.write(QStringLiteral("Notes/京都.md"), QStringLiteral("# 京都\n\nKyoto 金阁寺\n"));
        // The snapshot lists the newer article first.
        setModified(fixture.path(QStringLiteral("Notes/a[1].md")), QDate(2024, 1, 2));
        setModified(fixture.path(QStringLiteral("Notes/京都.md")), QDate(2024, 1, 1));
        const VaultRepository repository = fixture.repository();
        repository.prepareLayout();
        const QDateTime morning(QDate(2024, 5, 1), QTime(9, 30));
        repository.createMemo(QStringLiteral("早上 KYOTO"), morning, {}, {});
        repository.createMemo(QStringLiteral("猫\n![](/Attachments/cat.png)"), morning.addSecs(60),
                              {}, {});
        repository.createMemo(QStringLiteral("晚上 Kyoto"), morning.addSecs(3600), {}, {});
        const auto library = fixture.loadedController();

        ReferenceSearch search;
        search.setLibrary(library.get());
        search.setSourcePath(sourcePath);
        search.setQuery(query);
        QCOMPARE(int(search.state()), state);
        QCOMPARE(rowsOf(search), rows);
    }

    // What "引用" inserts: a memo's reference as the library makes it; an article's title with
    // its brackets escaped, linked relative to the source (only "%", spaces and parentheses are
    // escaped in the target).
    void referenceLinks()
    {
        LibraryFixture fixture;
        fixture.write(QStringLiteral("Notes/a[1].md"), QStringLiteral("# a[1]\n"));
        fixture.write(QStringLiteral("Notes/b.md"), QStringLiteral("# b\n"));
        fixture.write(QStringLiteral("Other/c (1).md"), QStringLiteral("# c\n"));
        const VaultRepository repository = fixture.repository();
        repository.prepareLayout();
        repository.createMemo(QStringLiteral("看 a"), QDateTime(QDate(2024, 5, 1), QTime(9, 30)),
                              {}, {});
        const auto library = fixture.loadedController();
        QCOMPARE(library->articleReferenceMarkdown(QStringLiteral("Notes/b.md"),
                                                   QStringLiteral("Notes/a[1].md")),
                 QStringLiteral("[a\\[1\\]](a[1].md)"));
        QCOMPARE(library->articleReferenceMarkdown(QStringLiteral("Notes/b.md"),
                                                   QStringLiteral("Other/c (1).md")),
                 QStringLiteral("[c (1)](../Other/c%20%281%29.md)"));
        QCOMPARE(library->articleReferenceMarkdown(QStringLiteral("Notes/b.md"),
                                                   QStringLiteral("Notes/gone.md")),
                 QString());

        ReferenceSearch search;
        search.setLibrary(library.get());
        search.setSourcePath(QStringLiteral("Notes/b.md"));
        search.setQuery(QStringLiteral("a"));
        QCOMPARE(rowsOf(search), (QStringList{QStringLiteral("#Memo"), QStringLiteral("看 a"),
                                              QStringLiteral("#文章"), QStringLiteral("a[1]")}));
        QCOMPARE(search.referenceAt(0), QString());
        QCOMPARE(search.referenceAt(1), library->memoReferenceMarkdown(
                                            library->memos().at(0), QStringLiteral("Notes/b.md")));
        QCOMPARE(search.referenceAt(3), QStringLiteral("[a\\[1\\]](a[1].md)"));
        // A new memo shows up without the query changing.
        QSignalSpy changed(&search, &ReferenceSearch::resultsChanged);
        await(library->captureMemoAsync(QStringLiteral("again a"), QString(), {}));
        QVERIFY(!changed.isEmpty());
        QCOMPARE(rowsOf(search).at(1), QStringLiteral("again a"));
    }

    // Opening reads the memo once and saves the unchanged text half a second later; typing saves
    // half a second after the last change; going back, quitting or leaving otherwise saves the
    // latest text; an unknown memo leaves at once.
    void memoEditor()
    {
        LibraryFixture fixture;
        const VaultRepository repository = fixture.repository();
        repository.prepareLayout();
        const MemoRecord created =
            repository.createMemo(QStringLiteral("第一行\n\n## 跟进"),
                                  QDateTime(QDate(2024, 5, 1), QTime(9, 30)), {}, {});
        const auto library = fixture.loadedController();

        MemoEditorState missing;
        missing.setLibrary(library.get());
        missing.setMemoId(QStringLiteral("memo-none"));
        QSignalSpy left(&missing, &MemoEditorState::finished);
        QCOMPARE(missing.title(), QStringLiteral("记录"));
        missing.load();
        QCOMPARE(left.size(), 1);
        QVERIFY(!missing.isLoaded());

        MemoEditorState editor;
        editor.setLibrary(library.get());
        editor.setMemoId(created.id);
        QSignalSpy finished(&editor, &MemoEditorState::finished);
        editor.load();
        QVERIFY(editor.isLoaded());
        QCOMPARE(editor.markdown(), QStringLiteral("第一行\n\n## 跟进"));
        QCOMPARE(editor.title(), QStringLiteral("2024-05-01 · 09:30"));
        QCOMPARE(editor.journalPath(), created.journalPath);
        QVERIFY(editor.hasPendingSave());
        QTRY_VERIFY(!editor.hasPendingSave());

        const auto stored = [&] { return library->memo(created.id)->markdown; };
        editor.setMarkdown(QStringLiteral("改过"));
        QTest::qWait(200);
        editor.setMarkdown(QStringLiteral("改过了"));
        QCOMPARE(stored(), QStringLiteral("第一行\n\n## 跟进"));
        QTRY_COMPARE(stored(), QStringLiteral("改过了"));

        editor.setMarkdown(QStringLiteral("马上返回"));
        editor.goBack();
        QTRY_COMPARE(finished.size(), 1);
        QCOMPARE(stored(), QStringLiteral("马上返回"));
        QVERIFY(!editor.hasPendingSave());

        editor.setMarkdown(QStringLiteral("退出前"));
        editor.saveAndWait();
        QCOMPARE(stored(), QStringLiteral("退出前"));

        // Left by another way within the half second: the pending save still runs.
        {
            MemoEditorState leaving;
            leaving.setLibrary(library.get());
            leaving.setMemoId(created.id);
            leaving.load();
            leaving.setMarkdown(QStringLiteral("离开前"));
        }
        QTRY_COMPARE(stored(), QStringLiteral("离开前"));
    }
    void lineDifference_data()
    {
        // Each line of `expected`: ' ' common, '-' only in mine, '+' only outside.
        QTest::addColumn<QString>("mine");
        QTest::addColumn<QString>("outside");
        QTest::addColumn<QString>("expected");
        QTest::newRow("equal, final newline is no line") << u"a\nb\n"_s << u"a\nb"_s << u" a\n b"_s;
        QTest::newRow("both empty") << QString() << QString() << QString();
        QTest::newRow("one side empty") << u"甲\n乙"_s << QString() << u"-甲\n-乙"_s;
        QTest::newRow("changed line: removed before added")
            << u"标题\n旧的一行\n结尾"_s << u"标题\n新的一行\n结尾"_s
            << u" 标题\n-旧的一行\n+新的一行\n 结尾"_s;
        QTest::newRow("insertions and deletions in the middle")
            << u"a\nb\nc\nd\ne"_s << u"a\nc\nx\nd\ne\nf"_s << u" a\n-b\n c\n+x\n d\n e\n+f"_s;
        QTest::newRow("repeated lines") << u"x\nx\ny"_s << u"y\nx\nx"_s << u"+y\n x\n x\n-y"_s;
    }

    void lineDifference()
    {
        QFETCH(QString, mine);
        QFETCH(QString, outside);
        QFETCH(QString, expected);
        TextDifferenceModel model;
        model.setMine(mine);
        model.setOutside(outside);
        QStringList lines;
        for (int row = 0; row < model.rowCount(); ++row) {
            const QModelIndex index = model.index(row);
            const QString kind = index.data(TextDifferenceModel::KindRole).toString();
            lines.append((kind == u"same"_s      ? u" "_s
                          : kind == u"removed"_s ? u"-"_s
                                                 : u"+"_s) +
                         index.data(TextDifferenceModel::TextRole).toString());
        }
        QCOMPARE(lines.join(u'\n'), expected);
        QCOMPARE(model.removedCount(), int(expected.count(u"\n-"_s) + expected.startsWith(u'-')));
    }

    void lineDifferenceStaysWholeOnLargeTexts()
    {
        // Far apart texts: past the search limit the middle is replaced wholesale, every line
        // of both sides still shown once.
        QStringList mine;
        QStringList outside;
        for (int i = 0; i < 5000; ++i) {
            mine.append(u"mine %1"_s.arg(i));
            outside.append(u"outside %1"_s.arg(i));
        }
        const QList<DifferenceLine> lines = ::lineDifference(mine.join(u'\n'), outside.join(u'\n'));
        QCOMPARE(lines.size(), 10000);
        QCOMPARE(lines.first(), (DifferenceLine{DifferenceLine::Removed, u"mine 0"_s}));
        QCOMPARE(lines.last(), (DifferenceLine{DifferenceLine::Added, u"outside 4999"_s}));
    }
};

QTEST_GUILESS_MAIN(EditorStateTest)
#include "tst_editorstate.moc"
