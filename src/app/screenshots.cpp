// larch-screenshots OUTPUT-FOLDER [--generated-vault VAULT] [--dark]
//
// Renders the main window in each of its states off-screen and writes one PNG per state, light
// and dark, so the interface can be reviewed without a display. Every state runs on a throwaway
// vault and preferences file; nothing outside the temporary folder is touched (a generated
// vault is copied first). The controls take their palette when the first window is made, so the
// dark pass runs in a second process.

#include "appsetup.h"
#include "appshell.h"
#include "librarycontroller.h"
#include "markdowneditorcoordinator.h"
#include "timelinescreenshots.h"
#include "vaultrepository.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPalette>
#include <QProcess>
#include <QQmlApplicationEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

#include <functional>
#include <memory>

namespace {

void settle(int milliseconds)
{
    runEventsUntil([] { return false; }, milliseconds);
}

QPalette darkPalette()
{
    QPalette palette;
    palette.setColor(QPalette::Window, QColor(0x25, 0x25, 0x27));
    palette.setColor(QPalette::WindowText, QColor(0xec, 0xec, 0xee));
    palette.setColor(QPalette::Base, QColor(0x1e, 0x1e, 0x20));
    palette.setColor(QPalette::AlternateBase, QColor(0x2c, 0x2c, 0x2e));
    palette.setColor(QPalette::Text, QColor(0xec, 0xec, 0xee));
    palette.setColor(QPalette::Button, QColor(0x3a, 0x3a, 0x3c));
    palette.setColor(QPalette::ButtonText, QColor(0xec, 0xec, 0xee));
    palette.setColor(QPalette::Highlight, QColor(0x2f, 0x7d, 0xe1));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::ToolTipBase, QColor(0x3a, 0x3a, 0x3c));
    palette.setColor(QPalette::ToolTipText, QColor(0xec, 0xec, 0xee));
    return palette;
}

// The window of one state, for the user's actions before the picture.
struct Scene
{
    LibraryController& library;
    QQuickWindow& window;

    QObject* find(const QString& name) const { return findInWindow(window, name); }
    QObject* navigation() const
    {
        QObject* root = find(QStringLiteral("rootView"));
        return root ? root->property("navigation").value<QObject*>() : nullptr;
    }
    void call(QObject* target, const char* method, const QVariant& argument = {}) const
    {
        if (!target)
            return;
        if (argument.isValid())
            QMetaObject::invokeMethod(target, method, Q_ARG(QVariant, argument));
        else
            QMetaObject::invokeMethod(target, method);
    }
};

struct State
{
    const char* name;
    // Prepares the temporary folder and returns the vault path, or an empty string for a first
    // launch without a vault.
    std::function<QString(const QString& folder)> prepare;
    bool start;
    std::function<bool(LibraryController&)> ready;
    // What the user does before the picture is taken, if anything.
    std::function<void(const Scene&)> then = {};
};

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

// A small vault with nested folders, tagged articles and this month's memos.
QString workspaceVault(const QString& folder)
{
    const QString vault = folder + QStringLiteral("/vault");
    const QList<std::pair<const char*, const char*>> articles = {
        {"欢迎.md", "# 欢迎\n\n第一篇文章。\n"},
        {"读书/2024 书单.md", "# 2024 书单\n\n想读的书 #读书 #清单\n"},
        {"读书/札记/三体.md",
         "# 三体\n\n黑暗森林 #读书 #科幻\n\n![封面](../../Attachments/cover.png)\n"},
        {"项目/Larch/路线图.md", "# 路线图\n\n下一季度的计划 #项目 #计划\n"},
        {"项目/Larch/会议记录.md", "# 会议记录\n\n周一例会 #项目 #会议\n"},
        {"项目/归档/旧方案.md", "# 旧方案\n\n不再使用 #项目\n"},
        {"旅行/京都行程.md", "# 京都行程\n\n五天四晚的计划 #旅行 #计划\n"},
    };
    for (const auto& [path, text] : articles)
        writeFile(vault + QLatin1Char('/') + QString::fromUtf8(path), text);
    // A cover picture for the article card: a gradient.
    QImage cover(232, 164, QImage::Format_RGB32);
    for (int y = 0; y < cover.height(); ++y)
        for (int x = 0; x < cover.width(); ++x)
            cover.setPixelColor(x, y, QColor::fromHsv((x + y) % 360, 90, 230));
    QDir().mkpath(vault + QStringLiteral("/Attachments"));
    cover.save(vault + QStringLiteral("/Attachments/cover.png"));
    const VaultRepository repository(vault);
    repository.prepareLayout();
    const QDateTime now = QDateTime::currentDateTime();
    repository.createMemo(QStringLiteral("[三体](../../../读书/札记/三体.md)"), now.addDays(-1), {},
                          {});
    repository.createMemo(QStringLiteral("[旧草稿](../../../读书/旧草稿.md)"), now.addDays(-2), {},
                          {});
    const QList<std::pair<int, const char*>> memos = {
        {9, "读完《三体》第二部，#读书 笔记整理到文章里。"},
        {6, "周一例会：确定路线图的优先级 #项目 #会议"},
        {3, "京都的红叶季在十一月中旬，提前订酒店 #旅行 #计划"},
        {0, "今天试了新的咖啡豆，偏酸，适合手冲。"},
    };
    for (const auto& [daysAgo, text] : memos)
        repository.createMemo(QString::fromUtf8(text), now.addDays(-daysAgo), {}, {});
    return vault;
}

// True once the editor named `name` shows its page.
bool editorReady(const Scene& scene, const QString& name)
{
    QObject* editor = scene.find(QStringLiteral("markdownEditor:") + name);
    auto* coordinator =
        editor ? editor->property("coordinator").value<MarkdownEditorCoordinator*>() : nullptr;
    return coordinator && coordinator->isReady();
}

// Opens articles in the editor, the last one selected, and waits for their pages to paint.
void openArticles(const Scene& scene, const QStringList& paths)
{
    for (const QString& path : paths) {
        QMetaObject::invokeMethod(scene.navigation(), "openArticle", Q_ARG(QString, path));
        if (!runEventsUntil([&] { return editorReady(scene, path); }, 60000))
            QTextStream(stderr) << "the editor page of " << path << " did not load\n";
    }
    settle(1500);
}

// The travel article with an edit here and another program's version on disk: the conflict bar.
void showConflict(const Scene& scene)
{
    const QString path = QStringLiteral("旅行/京都秋游.md");
    openArticles(scene, {path});
    NoteEditorSession* session = scene.library.selectedSession();
    const QString original = session->markdown();
    QString mine = original;
    mine.replace(QStringLiteral("大约 `8000` 元。"),
                 QStringLiteral("大约 `9000` 元，含温泉一晚。"));
    session->updateMarkdown(mine);
    QString theirs = original;
    theirs.replace(QStringLiteral("- [ ] 买 JR Pass"), QStringLiteral("- [x] 买 JR Pass"));
    theirs.replace(QStringLiteral("大约 `8000` 元。"), QStringLiteral("大约 `7500` 元。"));
    writeFile(scene.library.rootPath() + QLatin1Char('/') + path, theirs.toUtf8());
    scene.library.refresh();
    if (!runEventsUntil(
            [&] { return session->outsideState() == NoteEditorSession::OutsideState::Conflict; }))
        QTextStream(stderr) << "the conflict did not show\n";
    settle(600);
}

// An article with headings for the outline rail, a second article for another tab, and memos
// for the reference panel and the memo editor.
QString editorVault(const QString& folder)
{
    const QString vault = folder + QStringLiteral("/vault");
    writeFile(vault + QStringLiteral("/旅行/京都秋游.md"),
              "# 京都秋游\n\n十一月的京都，红叶正好。从**岚山**出发，沿着桂川走到渡月桥。\n\n"
              "## 行程\n\n- [x] 订酒店\n- [ ] 买 JR Pass\n- [ ] 查好*哲学之道*的开放时间\n\n"
              "## 住宿\n\n> 町家民宿比酒店更安静，记得提前三个月预订。\n\n"
              "### 备选\n\n| 名称 | 价格 |\n| --- | --- |\n| 鸭川小栈 | 1200 |\n\n"
              "## 预算\n\n交通、住宿和门票，大约 `8000` 元。\n\n"
              "![远处的山](https://example.com/mountain.jpg)\n");
    writeFile(vault + QStringLiteral("/欢迎.md"), "# 欢迎\n\n第一篇文章。\n");
    const VaultRepository repository(vault);
    repository.prepareLayout();
    repository.createMemo(
        QStringLiteral("京都的红叶比想象中还要红 #旅行\n\n## 补充\n\n- 岚山\n- 清水寺"),
        QDateTime(QDate(2024, 11, 2), QTime(9, 30)), {}, {});
    repository.createMemo(QStringLiteral("记得带上相机和备用电池，红叶季人多"),
                          QDateTime(QDate(2024, 11, 3), QTime(21, 5)), {}, {});
    return vault;
}

} // namespace

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    QStringList arguments = QCoreApplication::arguments();
    const bool dark = arguments.removeAll(QStringLiteral("--dark")) > 0;
    QString generated;
    if (const qsizetype at = arguments.indexOf(QStringLiteral("--generated-vault"));
        at > 0 && at + 1 < arguments.size()) {
        generated = arguments.at(at + 1);
        arguments.remove(at, 2);
    }
    if (arguments.size() != 2) {
        QTextStream(stderr) << "usage: larch-screenshots OUTPUT-FOLDER [--generated-vault VAULT]\n";
        return 2;
    }
    if (dark)
        QGuiApplication::setPalette(darkPalette());
    configureApplication(app);
    const QString output = arguments.at(1);
    if (!QDir().mkpath(output)) {
        QTextStream(stderr) << "cannot create " << output << '\n';
        return 1;
    }

    using Phase = LibraryController::LoadPhase;
    const auto ready = [](LibraryController& library) {
        return library.loadPhase() == Phase::Ready;
    };
    // A vault whose parent is a regular file cannot be prepared.
    const auto blockedVault = [](const QString& folder) {
        writeFile(folder + QStringLiteral("/blocker"), "not a folder");
        return folder + QStringLiteral("/blocker/vault");
    };
    // Loaded, and the tags found (they are gathered on other threads).
    const auto loadedWithTags = [](LibraryController& library) {
        return library.loadPhase() == Phase::Ready && !library.tags().isEmpty();
    };
    QList<State> states = {
        {"vault-setup", [](const QString&) { return QString(); }, false,
         [](LibraryController&) { return true; }},
        {"restoring", [](const QString& folder) { return folder + QStringLiteral("/vault"); },
         false, [](LibraryController&) { return true; }},
        {"load-failure-alert", blockedVault, true,
         [](LibraryController& library) { return library.loadPhase() == Phase::Failed; }},
        {"load-failure", blockedVault, true,
         [](LibraryController& library) { return library.loadPhase() == Phase::Failed; },
         [](const Scene& scene) { scene.library.dismissAlert(); }},
        {"workspace",
         [](const QString& folder) {
             const QString vault = folder + QStringLiteral("/vault");
             writeFile(vault + QStringLiteral("/欢迎.md"), "# 欢迎\n\n第一篇文章。\n");
             writeFile(vault + QStringLiteral("/读书/札记.md"), "# 札记\n");
             return vault;
         },
         true, [](LibraryController& library) { return library.loadPhase() == Phase::Ready; }},
        {"sidebar-tree-tags", workspaceVault, true, loadedWithTags,
         [](const Scene& scene) {
             QObject* tree = scene.find(QStringLiteral("sidebarFolderTree"));
             for (const char* folder : {"读书", "项目", "项目/Larch"})
                 QMetaObject::invokeMethod(tree, "toggle",
                                           Q_ARG(QString, QString::fromUtf8(folder)));
             QObject* navigation = scene.navigation();
             QMetaObject::invokeMethod(navigation, "showFolder",
                                       Q_ARG(QString, QStringLiteral("项目/Larch")));
             scene.find(QStringLiteral("miniCalendar"))
                 ->property("model")
                 .value<QObject*>()
                 ->setProperty("expanded", true);
         }},
        {"timeline-article-cards", workspaceVault, true, loadedWithTags},
        {"search-results", workspaceVault, true, loadedWithTags,
         [](const Scene& scene) { scene.library.setSearchText(QStringLiteral("计划")); }},
        {"tag-filter", workspaceVault, true, loadedWithTags,
         [](const Scene& scene) {
             QMetaObject::invokeMethod(scene.navigation(), "toggleTag",
                                       Q_ARG(QString, QStringLiteral("项目")));
         }},
        {"search-no-results", workspaceVault, true, loadedWithTags,
         [](const Scene& scene) { scene.library.setSearchText(QStringLiteral("没有这种东西")); }},
        {"article-creation-sheet", workspaceVault, true, loadedWithTags,
         [](const Scene& scene) {
             scene.call(scene.find(QStringLiteral("rootView")), "createArticleIn",
                        QStringLiteral("读书"));
         }},
        // Two tabs, the text menu open, the pointer on the outline rail.
        {"editor", editorVault, true, ready,
         [](const Scene& scene) {
             openArticles(scene, {QStringLiteral("欢迎.md"), QStringLiteral("旅行/京都秋游.md")});
             if (auto* bar = qobject_cast<QQuickItem*>(scene.find(QStringLiteral("outlineItem:2"))))
                 QTest::mouseMove(&scene.window, bar->mapToScene(QPointF(6, 6)).toPoint());
             scene.find(QStringLiteral("editorScreen"))
                 ->setProperty("expandedCommandGroup", QStringLiteral("text"));
         }},
        // The search bar and the reference panel with results.
        {"editor-panels", editorVault, true, ready,
         [](const Scene& scene) {
             openArticles(scene, {QStringLiteral("旅行/京都秋游.md")});
             QObject* screen = scene.find(QStringLiteral("editorScreen"));
             screen->setProperty("showsContentSearch", true);
             scene.find(QStringLiteral("contentSearchField"))
                 ->setProperty("text", QStringLiteral("京都"));
             screen->setProperty("showsReferencePanel", true);
             runEventsUntil([&] { return scene.find(QStringLiteral("referenceQueryField")); });
             scene.find(QStringLiteral("referenceQueryField"))
                 ->setProperty("text", QStringLiteral("红叶"));
             settle(600);
         }},
        // Another program changed the article while it had unsaved edits: the bar, then the
        // differences.
        {"editor-conflict", editorVault, true, ready, showConflict},
        {"editor-differences", editorVault, true, ready,
         [](const Scene& scene) {
             showConflict(scene);
             QMetaObject::invokeMethod(scene.find(QStringLiteral("differenceView")), "open");
             settle(600);
         }},
        // The full memo editor.
        {"memo-editor", editorVault, true, ready,
         [](const Scene& scene) {
             const QString id = scene.library.memos().first().id;
             scene.navigation()->setProperty("expandedMemoId", id);
             if (!runEventsUntil([&] { return editorReady(scene, QStringLiteral("memo:") + id); },
                                 60000))
                 QTextStream(stderr) << "the memo editor's page did not load\n";
             settle(1500);
         }},
    };
    if (!generated.isEmpty()) {
        states.append(
            {"article-list-generated",
             [generated](const QString& folder) {
                 const QString copy = folder + QStringLiteral("/vault");
                 QProcess::execute(QStringLiteral("cp"), {QStringLiteral("-a"), generated, copy});
                 return copy;
             },
             true, loadedWithTags,
             [](const Scene& scene) { scene.call(scene.navigation(), "showAllArticles"); }});
    }

    int failures = 0;
    {
        for (const State& state : states) {
            QTemporaryDir folder;
            QSettings settings(folder.filePath(QStringLiteral("settings.ini")),
                               QSettings::IniFormat);
            const QString vault = state.prepare(folder.path());
            const auto owned = vault.isEmpty()
                                   ? std::make_unique<LibraryController>(&settings)
                                   : std::make_unique<LibraryController>(&settings, vault);
            LibraryController& library = *owned;
            AppShell shell(&library);
            QQmlApplicationEngine engine;
            prepareEngine(engine);
            QQuickWindow* window = loadMainWindow(engine, shell);
            if (!window)
                return 1;
            window->show();
            if (state.start)
                shell.start();
            if (!runEventsUntil([&] { return state.ready(library); }, 60000)) {
                QTextStream(stderr) << state.name << ": the state was not reached\n";
                ++failures;
                continue;
            }
            if (state.then)
                state.then(Scene{library, *window});
            settle(400);
            const QString file = QStringLiteral("%1/%2%3.png")
                                     .arg(output, QLatin1String(state.name),
                                          dark ? QStringLiteral("-dark") : QString());
            if (!window->grabWindow().save(file)) {
                QTextStream(stderr) << "cannot write " << file << '\n';
                ++failures;
                continue;
            }
            QTextStream(stdout) << file << '\n';
        }
    }
    failures += renderTimelineScreens(output, dark);
    if (!dark) {
        QStringList darkArguments{output, QStringLiteral("--dark")};
        if (!generated.isEmpty())
            darkArguments << QStringLiteral("--generated-vault") << generated;
        const int darkPass =
            QProcess::execute(QCoreApplication::applicationFilePath(), darkArguments);
        if (darkPass != 0)
            ++failures;
    }
    return failures == 0 ? 0 : 1;
}
