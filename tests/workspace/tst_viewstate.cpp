// The workspace's view state without a window: the folder tree, the calendar grid, the texts
// it writes, and the navigation rules against a controller on a temporary vault.

#include "librarytest.h"
#include "minicalendar.h"
#include "sidebarfoldertree.h"
#include "sidebarsearch.h"
#include "workspacenavigation.h"
#include "workspacetext.h"

#include <QSignalSpy>

namespace {

QStringList visibleLines(const QList<SidebarFolderRow>& rows)
{
    QStringList lines;
    for (const SidebarFolderRow& row : rows)
        lines.append(QString(row.depth * 2, QLatin1Char(' ')) + row.title +
                     (row.hasChildren ? (row.expanded ? QStringLiteral(" -") : QStringLiteral(" +"))
                                      : QString()));
    return lines;
}

// "a|b" -> {"a", "b"}
QStringList lines(const char* joined)
{
    return QString::fromUtf8(joined).split(QLatin1Char('|'), Qt::SkipEmptyParts);
}

QSet<QString> setOf(const QStringList& list)
{
    return QSet<QString>(list.cbegin(), list.cend());
}

} // namespace

class ViewStateTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void folderTree_data()
    {
        QTest::addColumn<QStringList>("folders");
        QTest::addColumn<QStringList>("expanded");
        QTest::addColumn<QStringList>("lines");
        const QStringList abcd{QStringLiteral("a/b/c"), QStringLiteral("d")};
        QTest::newRow("collapsed") << abcd << QStringList() << lines("a +|d");
        QTest::newRow("a open") << abcd << lines("a") << lines("a -|  b +|d");
        QTest::newRow("inner open, outer closed") << abcd << lines("a/b") << lines("a +|d");
        QTest::newRow("both open") << abcd << lines("a|a/b") << lines("a -|  b -|    c|d");
        QTest::newRow("natural order, empty parts dropped")
            << lines("x/item 10|x//item 9/|B|a") << lines("x")
            << lines("a|B|x -|  item 9|  item 10");
    }
    void folderTree()
    {
        QFETCH(QStringList, folders);
        QFETCH(QStringList, expanded);
        QFETCH(QStringList, lines);
        const QList<SidebarFileNode> tree = buildSidebarTree(folders);
        QCOMPARE(visibleLines(flattenSidebarTree(tree, setOf(expanded))), lines);
        QCOMPARE(tree.first().id, QStringLiteral("memo-folder:") + tree.first().path);
    }

    // Clicking toggles only folders with subfolders; opening one inserts its children below it
    // without replacing its own line.
    void folderModel()
    {
        SidebarFolderModel model;
        model.setFolders({QStringLiteral("a/b/c"), QStringLiteral("d")});
        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
        QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
        model.toggle(QStringLiteral("d"));
        QVERIFY(model.expandedPaths().isEmpty());
        model.toggle(QStringLiteral("a"));
        QCOMPARE(model.expandedPaths(), QStringList{QStringLiteral("a")});
        QCOMPARE(inserted.count(), 1);
        QCOMPARE(removed.count(), 0);
        QCOMPARE(visibleLines(model.rows()), (lines("a -|  b +|d")));
        model.setExpanded(QStringLiteral("a"), false);
        QCOMPARE(removed.count(), 1);
        QCOMPARE(model.rowCount(), 2);
    }

    void calendarGrid_data()
    {
        QTest::addColumn<QDate>("month");
        QTest::addColumn<int>("firstDay");
        QTest::addColumn<int>("blanks");
        QTest::addColumn<int>("days");
        // 2024-09-01 is a Sunday, 2024-04-01 a Monday.
        QTest::newRow("starts on the first weekday") << QDate(2024, 9, 14) << 7 << 0 << 30;
        QTest::newRow("starts the day before") << QDate(2024, 9, 1) << 1 << 6 << 30;
        QTest::newRow("monday first") << QDate(2024, 4, 30) << 1 << 0 << 30;
        QTest::newRow("leap february") << QDate(2024, 2, 10) << 7 << 4 << 29;
    }
    void calendarGrid()
    {
        QFETCH(QDate, month);
        QFETCH(int, firstDay);
        QFETCH(int, blanks);
        QFETCH(int, days);
        const QList<QDate> cells = monthGrid(month, Qt::DayOfWeek(firstDay));
        QCOMPARE(cells.size(), blanks + days);
        for (int i = 0; i < blanks; ++i)
            QVERIFY(!cells.at(i).isValid());
        QCOMPARE(cells.at(blanks), QDate(month.year(), month.month(), 1));
        QCOMPARE(cells.last().day(), days);
        QVERIFY(monthGrid(QDate(), Qt::Monday).isEmpty());
    }

    void weekdayHeader_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("last");
        QTest::newRow("zh_CN, Sunday first") << QLocale(QLocale::Chinese, QLocale::China)
                                             << QStringLiteral("日") << QStringLiteral("六");
        QTest::newRow("en_GB, Monday first") << QLocale(QLocale::English, QLocale::UnitedKingdom)
                                             << QStringLiteral("M") << QStringLiteral("S");
    }
    void weekdayHeader()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, first);
        QFETCH(QString, last);
        const QStringList symbols = ::weekdayHeader(locale);
        QCOMPARE(symbols.size(), 7);
        QCOMPARE(symbols.first(), first);
        QCOMPARE(symbols.last(), last);
    }

    void calendarModel()
    {
        MiniCalendarModel calendar;
        calendar.setToday(QDate(2024, 9, 14));
        calendar.selectToday();
        QCOMPARE(calendar.monthTitle(), QStringLiteral("2024-09"));
        QSignalSpy selected(&calendar, &MiniCalendarModel::daySelected);
        calendar.showPreviousMonth();
        calendar.showPreviousMonth();
        calendar.showNextMonth();
        QCOMPARE(calendar.monthTitle(), QStringLiteral("2024-08"));
        const int firstRow = int(monthGrid(QDate(2024, 8, 1), calendarLocale().firstDayOfWeek())
                                     .indexOf(QDate(2024, 8, 1)));
        calendar.selectRow(firstRow - 1); // a blank, if any, or nothing at all
        QCOMPARE(selected.count(), 0);
        calendar.selectRow(firstRow + 4);
        QCOMPARE(selected.count(), 1);
        QCOMPARE(selected.first().first().toDateTime(), QDate(2024, 8, 5).startOfDay());
        QCOMPARE(calendar.selectedDate(), QDate(2024, 8, 5));
        calendar.selectToday();
        QCOMPARE(calendar.monthTitle(), QStringLiteral("2024-09"));
        QCOMPARE(selected.last().first().toDateTime(), QDate(2024, 9, 14).startOfDay());
    }

    void texts()
    {
        const QDateTime at(QDate(987, 3, 4), QTime(5, 6));
        QCOMPARE(WorkspaceFormat::day(at), QStringLiteral("0987-03-04"));
        QCOMPARE(WorkspaceFormat::time(at), QStringLiteral("05:06"));
        QCOMPARE(WorkspaceFormat::day(QDateTime()), QStringLiteral("0000-00-00"));
        QCOMPARE(WorkspaceFormat::articleTitle(QStringLiteral(" \n\t ")),
                 QStringLiteral("未命名笔记"));
        QCOMPARE(WorkspaceFormat::articleTitle(QStringLiteral("  旅行 计划\n")),
                 QStringLiteral("旅行 计划"));
        QCOMPARE(WorkspaceFormat::placeName(QString()), QStringLiteral("资料库根目录"));
    }

    // The destination and the sidebar's state follow each action as the root view orders.
    void navigation()
    {
        LibraryFixture fixture;
        fixture.write(QStringLiteral("Notes/Trip plan.md"), QStringLiteral("# Trip\n"));
        const VaultRepository repository = fixture.repository();
        repository.prepareLayout();
        const QDateTime morning(QDate(2024, 5, 1), QTime(9, 30));
        repository.createMemo(QStringLiteral("[Trip plan](../../../Notes/Trip%20plan.md)"), morning,
                              {}, {});
        repository.createMemo(QStringLiteral("plain #x"), morning.addDays(1), {}, {});
        const auto library = fixture.loadedController();
        const QString linkMemo = library->memos().at(0).id;
        const QString plainMemo = library->memos().at(1).id;

        WorkspaceNavigation navigation;
        navigation.setLibrary(library.get());
        QCOMPARE(navigation.kind(), WorkspaceNavigation::Kind::Timeline);

        navigation.showFolder(QStringLiteral("Notes"));
        QCOMPARE(navigation.destination(), WorkspaceDestination::articles(QStringLiteral("Notes")));
        QCOMPARE(library->selectedFolderPath(), QStringLiteral("Notes"));
        QVERIFY(!navigation.showsAllArticles());

        // A memo result that stands for an article opens the article and clears the search.
        library->setSearchText(QStringLiteral("trip"));
        navigation.toggleTag(QStringLiteral("x"));
        await(navigation.openMemoResultAsync(linkMemo));
        QCOMPARE(navigation.destination(),
                 WorkspaceDestination::editor(QStringLiteral("Notes/Trip plan.md")));
        QVERIFY(library->searchText().isEmpty());
        QVERIFY(navigation.selectedTags().isEmpty());

        // Any other memo focuses its day.
        navigation.setExpandedMemoId(plainMemo);
        await(navigation.openMemoResultAsync(plainMemo));
        QCOMPARE(navigation.kind(), WorkspaceNavigation::Kind::Timeline);
        QCOMPARE(navigation.timelineDate(), QDate(2024, 5, 2).startOfDay());
        QVERIFY(navigation.expandedMemoId().isEmpty());

        // Opening from the article list keeps the search; a failed open stays where it was.
        library->setSearchText(QStringLiteral("keep"));
        navigation.showAllArticles();
        await(navigation.openArticleAsync(QStringLiteral("missing.md"), false));
        QCOMPARE(navigation.destination(), WorkspaceDestination::articles());
        QVERIFY(!library->alertMessage().isEmpty());
        await(navigation.openArticleAsync(QStringLiteral("Notes/Trip plan.md"), false));
        QCOMPARE(navigation.kind(), WorkspaceNavigation::Kind::Editor);
        QCOMPARE(library->searchText(), QStringLiteral("keep"));

        // A day of the calendar clears the search and shows the timeline of that day.
        navigation.toggleTag(QStringLiteral("x"));
        navigation.showDay(QDateTime(QDate(2024, 5, 1), QTime(15, 0)));
        QCOMPARE(navigation.timelineDate(), QDate(2024, 5, 1).startOfDay());
        QVERIFY(library->searchText().isEmpty());
        QVERIFY(navigation.selectedTags().isEmpty());
        navigation.showTimeline();
        QVERIFY(!navigation.timelineDate().isValid());

        await(navigation.createArticleAsync(QStringLiteral("未命名笔记"), QStringLiteral("Notes")));
        QCOMPARE(navigation.destination(),
                 WorkspaceDestination::editor(QStringLiteral("Notes/未命名笔记.md")));
    }

    // Search mode is on while there is a search text or a tag, and lists memos newest first.
    void searchMode()
    {
        LibraryFixture fixture;
        const VaultRepository repository = fixture.repository();
        repository.prepareLayout();
        const QDateTime at(QDate(2024, 5, 1), QTime(9, 30));
        repository.createMemo(QStringLiteral("older #x"), at, {}, {});
        repository.createMemo(QStringLiteral("newer #x"), at.addSecs(60), {}, {});
        const auto library = fixture.loadedController();
        SidebarSearch search;
        search.setLibrary(library.get());
        QVERIFY(!search.isActive());
        library->setSearchText(QStringLiteral("   "));
        QVERIFY(!search.isActive());
        search.setSelectedTags({QStringLiteral("x")});
        QVERIFY(search.isActive());
        QCOMPARE(search.memoCount(), 2);
        QCOMPARE(search.results()->valueAt(0, QStringLiteral("plainText")).toString(),
                 QStringLiteral("newer #x"));
        search.setSelectedTags({});
        library->setSearchText(QStringLiteral("nothing like it"));
        QVERIFY(search.isActive());
        QCOMPARE(search.results()->count(), 0);
    }
};

QTEST_GUILESS_MAIN(ViewStateTest)
#include "tst_viewstate.moc"
