// Open tabs, the selection after closing one, and the article remembered per vault.

#include "librarypreferences.h"
#include "librarytest.h"

#include <QSignalSpy>

namespace {

// A loaded vault with the articles A, B and C open in that order, C selected.
struct ThreeTabs
{
    LibraryFixture fixture;
    std::unique_ptr<LibraryController> library;

    ThreeTabs()
    {
        fixture.repository().prepareLayout();
        for (const char* name : {"A", "B", "C"})
            fixture.repository().createNote(QStringLiteral("Notes"), QLatin1String(name));
        LibraryPreferences::rememberOpenNote(fixture.settings(), QStringLiteral("Notes/A.md"),
                                             fixture.vault());
        library = fixture.loadedController();
        for (const char* name : {"A", "B", "C"})
            await(library->openNoteAsync(QStringLiteral("Notes/%1.md").arg(QLatin1String(name))));
    }
    QString tab(int index) const { return library->openSessions().at(index)->id(); }
    QStringList titles() const
    {
        QStringList result;
        for (const NoteEditorSession* session : library->openSessions())
            result.append(session->title());
        return result;
    }
    QString selectedTitle() const
    {
        return library->selectedSession() ? library->selectedSession()->title() : QString();
    }
    std::optional<QString> remembered()
    {
        return LibraryPreferences::lastOpenNotePath(fixture.settings(), fixture.vault());
    }
};

} // namespace

class TabsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void openingAnOpenArticleSelectsItsTab()
    {
        ThreeTabs tabs;
        QCOMPARE(tabs.titles(),
                 (QStringList{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")}));
        tabs.fixture.write(QStringLiteral("Notes/A.md"), QStringLiteral("changed on disk"));
        tabs.library->selectFolder(QStringLiteral("Elsewhere"));
        await(tabs.library->openNoteAsync(QStringLiteral("Notes/A.md")));
        QCOMPARE(tabs.library->openSessions().size(), 3);
        QCOMPARE(tabs.selectedTitle(), QStringLiteral("A"));
        // Not read again.
        QCOMPARE(tabs.library->selectedSession()->markdown(), QStringLiteral("# A\n\n"));
        // New articles now go next to it; the sidebar selection stays.
        QCOMPARE(tabs.library->creationFolderPath(), QStringLiteral("Notes"));
        QCOMPARE(tabs.library->selectedFolderPath(), QStringLiteral("Elsewhere"));
        QCOMPARE(tabs.remembered(), QStringLiteral("Notes/A.md"));
    }

    void closingSelectsTheNeighbour_data()
    {
        QTest::addColumn<int>("selected");
        QTest::addColumn<int>("closed");
        QTest::addColumn<QString>("selectedAfter");
        QTest::newRow("selected middle") << 1 << 1 << QStringLiteral("C");
        QTest::newRow("selected last") << 2 << 2 << QStringLiteral("B");
        QTest::newRow("selected first") << 0 << 0 << QStringLiteral("B");
        QTest::newRow("unselected") << 2 << 0 << QStringLiteral("C");
    }
    void closingSelectsTheNeighbour()
    {
        QFETCH(int, selected);
        QFETCH(int, closed);
        QFETCH(QString, selectedAfter);
        ThreeTabs tabs;
        tabs.library->selectSession(tabs.tab(selected));
        await(tabs.library->closeSessionAsync(tabs.tab(closed)));
        QCOMPARE(tabs.library->openSessions().size(), 2);
        QCOMPARE(tabs.selectedTitle(), selectedAfter);
        QCOMPARE(tabs.remembered(), QStringLiteral("Notes/%1.md").arg(selectedAfter));
        QCOMPARE(tabs.library->sessionModel()->count(), 2);
    }

    void closingWritesTheTabsEdits()
    {
        ThreeTabs tabs;
        tabs.library->openSessions().at(0)->updateMarkdown(QStringLiteral("edited"));
        await(tabs.library->closeSessionAsync(tabs.tab(0)));
        QCOMPARE(tabs.fixture.read(QStringLiteral("Notes/A.md")), QStringLiteral("edited"));
    }

    void closingTheLastTabForgetsTheVaultsArticle()
    {
        LibraryFixture fixture;
        fixture.repository().prepareLayout();
        fixture.repository().createNote(QStringLiteral("Notes"), QStringLiteral("Only"));
        auto library = fixture.loadedController();
        QSignalSpy selection(library.get(), &LibraryController::selectedSessionChanged);
        await(library->closeSessionAsync(library->selectedSessionId()));
        QVERIFY(!library->selectedSession());
        QVERIFY(library->selectedSessionId().isEmpty());
        QCOMPARE(selection.count(), 1);
        QVERIFY(!LibraryPreferences::lastOpenNotePath(fixture.settings(), fixture.vault()));
    }

    void failedOpenChangesNoTab()
    {
        ThreeTabs tabs;
        await(tabs.library->openNoteAsync(QStringLiteral("Notes/Missing.md")));
        QVERIFY(!tabs.library->alertMessage().isEmpty());
        QCOMPARE(tabs.library->openSessions().size(), 3);
        QCOMPARE(tabs.selectedTitle(), QStringLiteral("C"));
    }

    void theNextLaunchReopensTheLastArticle()
    {
        ThreeTabs tabs;
        tabs.library->selectSession(tabs.tab(1));
        QCOMPARE(tabs.library->editorFocusDocumentPath(), QString());
        tabs.library.reset();
        auto next = tabs.fixture.loadedController();
        QCOMPARE(next->openSessions().size(), 1);
        QCOMPARE(next->selectedSession()->path(), QStringLiteral("Notes/B.md"));
    }

    void aVaultThroughALinkSharesItsEntry()
    {
        LibraryFixture fixture;
        fixture.repository().prepareLayout();
        fixture.repository().createNote(QStringLiteral("Notes"), QStringLiteral("First"));
        fixture.repository().createNote(QStringLiteral("Notes"), QStringLiteral("Second"));
        const QString link = fixture.folder() + QStringLiteral("/link");
        QVERIFY(QFile::link(fixture.vault(), link));
        {
            LibraryController library(&fixture.settings(), link);
            await(library.loadAsync());
            await(library.openNoteAsync(QStringLiteral("Notes/First.md")));
        }
        QCOMPARE(LibraryPreferences::lastOpenNotePath(fixture.settings(), fixture.vault()),
                 QStringLiteral("Notes/First.md"));
        auto library = fixture.loadedController();
        QCOMPARE(library->selectedSession()->path(), QStringLiteral("Notes/First.md"));
    }

    void malformedPreferenceIsIgnoredAndReplaced()
    {
        LibraryFixture fixture;
        QVariantMap stored{
            {LibraryPreferences::vaultKey(fixture.vault()), QStringLiteral("Notes/A.md")},
            {QStringLiteral("/other"), 42}};
        fixture.settings().setValue(LibraryPreferences::lastOpenNotesKey(), stored);
        QVERIFY(!LibraryPreferences::lastOpenNotePath(fixture.settings(), fixture.vault()));
        LibraryPreferences::rememberOpenNote(fixture.settings(), QStringLiteral("Notes/B.md"),
                                             fixture.vault());
        QCOMPARE(fixture.settings().value(LibraryPreferences::lastOpenNotesKey()).toMap(),
                 (QVariantMap{{LibraryPreferences::vaultKey(fixture.vault()),
                               QStringLiteral("Notes/B.md")}}));

        fixture.settings().setValue(LibraryPreferences::lastOpenNotesKey(), QStringLiteral("text"));
        QVERIFY(!LibraryPreferences::lastOpenNotePath(fixture.settings(), fixture.vault()));
    }
};

QTEST_GUILESS_MAIN(TabsTest)
#include "tst_tabs.moc"
