// Changes that other programs make to the vault reach the published contents by themselves, a
// burst of them in one refresh, and the application's own writes in none beyond their own.

#include "librarytest.h"
#include "outsidechanges.h"
#include "recordstore.h"

#include <functional>

namespace {

constexpr int shownWithin = 5000; // milliseconds; far more than a refresh takes

// A loaded library that has also done what follows a load (the search index, the first look for
// changes made meanwhile), so that no reading of its own meets the changes of a test.
std::unique_ptr<LibraryController> settledController(LibraryFixture& fixture)
{
    auto library = fixture.loadedController();
    await(library->prepareSearchAsync());
    return library;
}

bool hasNote(const LibraryController& library, const QString& path)
{
    return library.note(path).has_value();
}

} // namespace

class OutsideChangesTest : public QObject
{
    Q_OBJECT

private:
    // Makes `change` as another program would, waits until `shown` holds, and checks that it
    // took exactly one refresh, also once the burst is long over.
    template <typename Change, typename Shown>
    void expectOneRefresh(LibraryController& library, Change change, Shown shown)
    {
        const OutsideChangeWatcher& watcher = *library.outsideChangeWatcher();
        const int before = watcher.refreshCount();
        change();
        QTRY_VERIFY_WITH_TIMEOUT(shown(), shownWithin);
        QTest::qWait(2 * OutsideChangeWatcher::quietMilliseconds);
        QCOMPARE(watcher.refreshCount(), before + 1);
    }

private Q_SLOTS:
    void outsideChangesAppear()
    {
        LibraryFixture fixture;
        fixture.write(QStringLiteral("Notes/Plan.md"), QStringLiteral("first\n"));
        auto library = settledController(fixture);
        LibraryController& lib = *library;
        QVERIFY(!lib.outsideChangeWatcher()->isPolling());
        const auto preview = [&](const QString& path) {
            const std::optional<NoteSummary> note = lib.note(path);
            return note ? note->preview : QString();
        };
        struct Step
        {
            const char* what;
            std::function<void()> change;
            std::function<bool()> shown;
        };
        const Step steps[] = {
            {"an edit",
             [&] { fixture.write(QStringLiteral("Notes/Plan.md"), QStringLiteral("edited\n")); },
             [&] { return preview(QStringLiteral("Notes/Plan.md")) == QStringLiteral("edited"); }},
            {"a new folder",
             [&] { fixture.write(QStringLiteral("Trip/Day 1.md"), QStringLiteral("sea\n")); },
             [&] { return hasNote(lib, QStringLiteral("Trip/Day 1.md")); }},
            {"an article in the new folder, which is watched from then on",
             [&] { fixture.write(QStringLiteral("Trip/Day 2.md"), QStringLiteral("hills\n")); },
             [&] { return hasNote(lib, QStringLiteral("Trip/Day 2.md")); }},
            {"the folder deleted",
             [&] { QDir(fixture.path(QStringLiteral("Trip"))).removeRecursively(); },
             [&] {
                 return !lib.visibleFolders().contains(QStringLiteral("Trip")) &&
                        !hasNote(lib, QStringLiteral("Trip/Day 2.md"));
             }},
            {"a memo written by another program",
             [&] {
                 fixture.repository().createMemo(QStringLiteral("from the phone"),
                                                 QDateTime(QDate(2024, 5, 1), QTime(9, 30)),
                                                 QString(), {});
             },
             [&] { return lib.memos().size() == 1; }},
            {"a move",
             [&] {
                 QFile::rename(fixture.path(QStringLiteral("Notes/Plan.md")),
                               fixture.path(QStringLiteral("Plan.md")));
             },
             [&] {
                 return hasNote(lib, QStringLiteral("Plan.md")) &&
                        !hasNote(lib, QStringLiteral("Notes/Plan.md"));
             }},
        };
        for (const Step& step : steps) {
            expectOneRefresh(lib, step.change, step.shown);
            if (QTest::currentTestFailed())
                QFAIL(step.what);
        }
    }

    // A sync tool writing 500 files costs one refresh, whether the application sees the burst at
    // once or while it goes on.
    void burstCostsOneRefresh_data()
    {
        QTest::addColumn<int>("slices");
        QTest::newRow("seen at once") << 1;
        QTest::newRow("seen while it goes on") << 20;
    }
    void burstCostsOneRefresh()
    {
        QFETCH(int, slices);
        LibraryFixture fixture;
        fixture.write(QStringLiteral("Notes/Sync/Start.md"), QStringLiteral("start\n"));
        auto library = settledController(fixture);
        const qsizetype before = library->snapshot().notes.size();
        const int files = 500;
        expectOneRefresh(
            *library,
            [&] {
                for (int i = 0; i < files; ++i) {
                    fixture.write(QStringLiteral("Notes/Sync/Note %1.md").arg(i),
                                  QStringLiteral("synced %1\n").arg(i));
                    if ((i + 1) % (files / slices) == 0)
                        QCoreApplication::processEvents();
                }
            },
            [&] { return library->snapshot().notes.size() == before + files; });
    }

    void ownWritesCostNoOtherRefresh()
    {
        LibraryFixture fixture;
        auto library = settledController(fixture);
        await(library->captureMemoAsync(QStringLiteral("a thought #idea"), QString(), {}));
        await(library->addTodosAsync(QStringLiteral("buy milk")));
        await(library->createArticleAsync(QStringLiteral("Draft"), QStringLiteral("Notes")));
        library->selectedSession()->updateMarkdown(QStringLiteral("typed here"));
        await(library->selectedSession()->flushAsync());
        await(library->renameNoteAsync(QStringLiteral("Notes/Draft.md"), QStringLiteral("Final")));
        QTRY_COMPARE(library->note(QStringLiteral("Notes/Final.md"))->preview,
                     QStringLiteral("typed here"));
        QTest::qWait(3 * OutsideChangeWatcher::quietMilliseconds);
        QCOMPARE(library->outsideChangeWatcher()->refreshCount(), 0);
    }

    // Without watches left, the files are compared every few seconds instead, and a notice says so.
    void withoutWatchesTheFilesAreCompared()
    {
        LibraryFixture fixture;
        fixture.write(QStringLiteral("Notes/Sub/Plan.md"), QStringLiteral("first\n"));
        LibraryController library(&fixture.settings(), fixture.vault());
        library.outsideChangeWatcher()->repository()->records().setWatchBudget(2);
        await(library.loadAsync());
        QTRY_VERIFY(library.outsideChangeWatcher()->isPolling());
        QCOMPARE(library.noticeMessage(),
                 QStringLiteral("仓库的文件夹太多，超出了系统可监视的数量，将每 3 "
                                "秒检查一次其他程序所做的更改"));
        fixture.write(QStringLiteral("Notes/Sub/Later.md"), QStringLiteral("later\n"));
        QTRY_VERIFY_WITH_TIMEOUT(hasNote(library, QStringLiteral("Notes/Sub/Later.md")),
                                 2 * OutsideChangeWatcher::pollMilliseconds + shownWithin);
    }
};

QTEST_GUILESS_MAIN(OutsideChangesTest)
#include "tst_outsidechanges.moc"
