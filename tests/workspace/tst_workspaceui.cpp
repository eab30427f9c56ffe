// The workspace in the real window, off-screen, on a temporary vault: the user clicks and
// types, and the views and the vault's files follow.

#include "workspacewindow.h"

#include <QDirIterator>

namespace {

// The workspace window with the sidebar's results and destinations.
struct Workspace : WorkspaceWindow
{
    using WorkspaceWindow::WorkspaceWindow;

    // The text of a named item (also one made by a view's delegate), empty while there is none.
    QString text(const QString& name) const
    {
        const QQuickItem* found = item(name);
        return found ? found->property("text").toString() : QString();
    }
    // The destination shown: the editor, or what the destination loader holds.
    QString destination() const
    {
        for (const char* name : {"editorLoader", "destinationLoader"}) {
            auto* loader = item(QLatin1String(name));
            auto* shown = loader && loader->isVisible() ? loader->property("item").value<QObject*>()
                                                        : nullptr;
            if (shown)
                return shown->objectName();
        }
        return {};
    }
    // The keys of the sidebar's search results, in order.
    QStringList results() const
    {
        QStringList keys;
        auto* model =
            item(QStringLiteral("searchResultsList"))->property("model").value<QObject*>();
        const int count = model->property("count").toInt();
        for (int row = 0; row < count; ++row) {
            QString key;
            QMetaObject::invokeMethod(model, "keyAt", Q_RETURN_ARG(QString, key), Q_ARG(int, row));
            keys.append(key);
        }
        return keys;
    }
    QString memoId(const QString& markdown) const
    {
        for (const MemoRecord& memo : library->memos()) {
            if (memo.markdown == markdown)
                return memo.id;
        }
        return {};
    }
};

void writeMemo(Sandbox& sandbox, const QString& text, int minute)
{
    const VaultRepository repository(sandbox.vault());
    repository.prepareLayout();
    repository.createMemo(text, QDateTime(QDate(2024, 5, 1), QTime(9, minute)), {}, {});
}

} // namespace

class WorkspaceUiTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { configureApplication(*qGuiApp); }

    // a/b/c opens level by level; a folder without subfolders is selected without changing
    // what is open; its articles are listed newest first.
    void folderTree()
    {
        Workspace workspace([](Sandbox& sandbox) {
            Sandbox::write(sandbox.vault() + QStringLiteral("/a/b/c/deep.md"), "# Deep\n");
            Sandbox::write(sandbox.vault() + QStringLiteral("/d/one.md"), "# One\n");
            Sandbox::write(sandbox.vault() + QStringLiteral("/d/two.md"), "# Two\n");
        });
        QVERIFY(workspace.item(QStringLiteral("folder:a")));
        QVERIFY(!workspace.item(QStringLiteral("folder:a/b")));
        workspace.click(QStringLiteral("folder:a"));
        workspace.click(QStringLiteral("folder:a/b"));
        QTRY_VERIFY(workspace.item(QStringLiteral("folder:a/b/c")));
        QCOMPARE(workspace.destination(), QStringLiteral("articleBrowserView"));
        QCOMPARE(workspace.main->textOf("articleBrowserTitle"), QStringLiteral("b"));
        QCOMPARE(workspace.main->textOf("articleBrowserSubtitle"),
                 QStringLiteral("1 篇 Markdown 文章"));

        auto* tree = workspace.main->find<QObject>("sidebarFolderTree");
        const QStringList open = tree->property("expandedPaths").toStringList();
        workspace.click(QStringLiteral("folder:d"));
        QTRY_COMPARE(workspace.main->textOf("articleBrowserTitle"), QStringLiteral("d"));
        QCOMPARE(tree->property("expandedPaths").toStringList(), open);
        QCOMPARE(workspace.item(QStringLiteral("folder:d"))->property("selected").toBool(), true);
        QCOMPARE(workspace.library->selectedFolderPath(), QStringLiteral("d"));
        QCOMPARE(workspace.main->propertyOf("articleList", "count").toInt(), 2);

        // A click on the folder again closes it; its subfolders disappear.
        workspace.click(QStringLiteral("folder:a"));
        QTRY_VERIFY(!workspace.item(QStringLiteral("folder:a/b")));
    }

    // Tags narrow the results to items carrying all of them; typing searches as it goes; a
    // memo that stands for an article opens the article and ends the search.
    void searching()
    {
        Workspace workspace([](Sandbox& sandbox) {
            Sandbox::write(sandbox.vault() + QStringLiteral("/Notes/旅行计划.md"),
                           "# 旅行计划\n\n去京都 #x #y\n");
            Sandbox::write(sandbox.vault() + QStringLiteral("/Notes/only-x.md"), "#x 而已\n");
            writeMemo(sandbox, QStringLiteral("[旅行计划](../../../Notes/旅行计划.md)"), 0);
            writeMemo(sandbox, QStringLiteral("早餐 #x #y"), 1);
            writeMemo(sandbox, QStringLiteral("午餐 #y"), 2);
        });
        const QString both = workspace.memoId(QStringLiteral("早餐 #x #y"));
        QVERIFY(!both.isEmpty());
        // The timeline shows the memo that stands for the article as its card.
        QTRY_VERIFY(workspace.item(QStringLiteral("memoArticleReference")));
        QCOMPARE(
            workspace.item(QStringLiteral("memoArticleReference"))->property("title").toString(),
            QStringLiteral("旅行计划"));
        QTRY_VERIFY(workspace.item(QStringLiteral("tag:x")));
        QVERIFY(workspace.item(QStringLiteral("sidebarBrowser"))->isVisible());
        workspace.click(QStringLiteral("tag:x"));
        workspace.click(QStringLiteral("tag:y"));
        QTRY_VERIFY(workspace.item(QStringLiteral("searchResultsList"))->isVisible());
        QVERIFY(!workspace.item(QStringLiteral("sidebarBrowser"))->isVisible());
        QCOMPARE(workspace.results(), (QStringList{both, QStringLiteral("Notes/旅行计划.md")}));
        workspace.click(QStringLiteral("tag:x"));
        workspace.click(QStringLiteral("tag:y"));
        QTRY_VERIFY(workspace.item(QStringLiteral("sidebarBrowser"))->isVisible());

        // Ctrl+F, then typing.
        QTest::keyClick(workspace.main->window, Qt::Key_F, Qt::ControlModifier);
        QTRY_VERIFY(workspace.item(QStringLiteral("sidebarSearchField"))->hasActiveFocus());
        workspace.main->type(QStringLiteral("没有这种东西"));
        QTRY_VERIFY(workspace.item(QStringLiteral("noSearchResults"))->isVisible());
        QCOMPARE(workspace.library->searchText(), QStringLiteral("没有这种东西"));
        QTest::keyClick(workspace.main->window, Qt::Key_Escape);
        QTRY_VERIFY(workspace.library->searchText().isEmpty());
        workspace.main->type(QStringLiteral("旅行"));
        QTRY_COMPARE(workspace.results().size(), 2);

        // The memo result is a link to the article: the editor shows the article. Down goes
        // from the field to the results, Return opens the first.
        QTest::keyClick(workspace.main->window, Qt::Key_Down);
        QTRY_VERIFY(workspace.item(QStringLiteral("searchResultsList"))->hasActiveFocus());
        QTest::keyClick(workspace.main->window, Qt::Key_Return);
        QTRY_COMPARE(workspace.destination(), QStringLiteral("editorScreen"));
        QTRY_COMPARE(workspace.text(QStringLiteral("editorTitle")), QStringLiteral("旅行计划"));
        QVERIFY(workspace.library->searchText().isEmpty());
        QCOMPARE(workspace.main->textOf("sidebarSearchField"), QString());
        QVERIFY(workspace.item(QStringLiteral("sidebarBrowser"))->isVisible());
    }

    // A blank title becomes "未命名笔记"; the article is written in the chosen folder,
    // announced in today's memos, and opened in the editor.
    void creatingAnArticle()
    {
        Workspace workspace([](Sandbox& sandbox) {
            Sandbox::write(sandbox.vault() + QStringLiteral("/读书/札记.md"), "# 札记\n");
        });
        QMetaObject::invokeMethod(workspace.item(QStringLiteral("rootView")), "createArticleIn",
                                  Q_ARG(QVariant, QStringLiteral("读书")));
        QTRY_VERIFY(workspace.main->propertyOf("articleCreationSheet", "opened").toBool());
        QCOMPARE(workspace.main->textOf("articleDestinationLabel"),
                 QStringLiteral("将保存到：读书"));
        workspace.main->type(QStringLiteral("   "));
        workspace.click(QStringLiteral("createArticleButton"));
        QTRY_COMPARE(workspace.destination(), QStringLiteral("editorScreen"));
        QTRY_COMPARE(workspace.text(QStringLiteral("editorTitle")), QStringLiteral("未命名笔记"));
        QCOMPARE(Sandbox::read(workspace.sandbox.vault() + QStringLiteral("/读书/未命名笔记.md")),
                 QByteArray("# 未命名笔记\n\n"));
        QCOMPARE(workspace.library->memos().last().markdown,
                 QStringLiteral("[未命名笔记](../../../读书/未命名笔记.md)"));

        // "新建文章" of the File menu shows its article too.
        workspace.click(QStringLiteral("timelineEntry"));
        QTRY_COMPARE(workspace.destination(), QStringLiteral("memoTimelineView"));
        workspace.main->shell.newArticle();
        QTRY_COMPARE(workspace.destination(), QStringLiteral("editorScreen"));
        QCOMPARE(workspace.navigation()->property("editorPath").toString(),
                 workspace.library->selectedSession()->path());
        QVERIFY(workspace.library->selectedSession()->path() !=
                QStringLiteral("读书/未命名笔记.md"));
    }
};

QTEST_MAIN(WorkspaceUiTest)
#include "tst_workspaceui.moc"
