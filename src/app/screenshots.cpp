// larch-screenshots OUTPUT-FOLDER [--dark]
//
// Renders the main window in each of its states off-screen and writes one PNG per state, light
// and dark, so the interface can be reviewed without a display. Every state runs on a throwaway
// vault and preferences file; nothing outside the temporary folder is touched. The controls
// take their palette when the first window is made, so the dark pass runs in a second process.

#include "appsetup.h"
#include "appshell.h"
#include "librarycontroller.h"
#include "markdowneditorcoordinator.h"
#include "vaultrepository.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
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

// Runs the event loop until `done` holds or the time is up.
bool waitFor(const std::function<bool()>& done, int milliseconds = 10000)
{
    QDeadlineTimer deadline(milliseconds);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

void settle(int milliseconds)
{
    waitFor([] { return false; }, milliseconds);
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

struct State
{
    const char* name;
    // Prepares the temporary folder and returns the vault path, or an empty string for a first
    // launch without a vault.
    std::function<QString(const QString& folder)> prepare;
    bool start;
    std::function<bool(LibraryController&)> ready;
    // What the user does before the picture is taken, if anything.
    std::function<void(LibraryController&)> then = {};
    // The same for states that need the window: opening articles and menus.
    std::function<bool(QQuickWindow&, LibraryController&)> act = {};
};

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

QQuickItem* namedItem(QQuickWindow& window, const QString& name)
{
    QList<QQuickItem*> pending{window.contentItem()};
    while (!pending.isEmpty()) {
        QQuickItem* next = pending.takeLast();
        if (next->objectName() == name)
            return next;
        pending.append(next->childItems());
    }
    return nullptr;
}

// Opens articles in the editor, the last one selected, and waits for their pages.
bool openArticles(QQuickWindow& window, const QStringList& paths)
{
    QObject* navigation =
        namedItem(window, QStringLiteral("rootView"))->property("navigation").value<QObject*>();
    for (const QString& path : paths) {
        QMetaObject::invokeMethod(navigation, "openArticle", Q_ARG(QString, path));
        const bool ready = waitFor(
            [&] {
                QQuickItem* editor = namedItem(window, QStringLiteral("markdownEditor:") + path);
                auto* coordinator =
                    editor ? editor->property("coordinator").value<MarkdownEditorCoordinator*>()
                           : nullptr;
                return coordinator && coordinator->isReady();
            },
            60000);
        if (!ready)
            return false;
    }
    return true;
}

// A guide with headings for the outline rail, a second article for another tab, and memos for
// the reference panel and the memo editor.
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
    if (arguments.size() != 2) {
        QTextStream(stderr) << "usage: larch-screenshots OUTPUT-FOLDER\n";
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
    const QList<State> states = {
        {"vault-setup", [](const QString&) { return QString(); }, false,
         [](LibraryController&) { return true; }},
        {"restoring", [](const QString& folder) { return folder + QStringLiteral("/vault"); },
         false, [](LibraryController&) { return true; }},
        {"load-failure-alert", blockedVault, true,
         [](LibraryController& library) { return library.loadPhase() == Phase::Failed; }},
        {"load-failure", blockedVault, true,
         [](LibraryController& library) { return library.loadPhase() == Phase::Failed; },
         [](LibraryController& library) { library.dismissAlert(); }},
        {"workspace",
         [](const QString& folder) {
             const QString vault = folder + QStringLiteral("/vault");
             writeFile(vault + QStringLiteral("/欢迎.md"), "# 欢迎\n\n第一篇文章。\n");
             writeFile(vault + QStringLiteral("/读书/札记.md"), "# 札记\n");
             return vault;
         },
         true, [](LibraryController& library) { return library.loadPhase() == Phase::Ready; }},
        // Two tabs, the text menu open, the pointer on the outline rail.
        {"editor",
         editorVault,
         true,
         ready,
         {},
         [](QQuickWindow& window, LibraryController&) {
             if (!openArticles(window,
                               {QStringLiteral("欢迎.md"), QStringLiteral("旅行/京都秋游.md")}))
                 return false;
             waitFor([&] { return namedItem(window, QStringLiteral("outlineItem:2")); });
             if (QQuickItem* bar = namedItem(window, QStringLiteral("outlineItem:2")))
                 QTest::mouseMove(&window, bar->mapToScene(QPointF(6, 6)).toPoint());
             namedItem(window, QStringLiteral("editorScreen"))
                 ->setProperty("expandedCommandGroup", QStringLiteral("text"));
             return true;
         }},
        // The search bar and the reference panel with results.
        {"editor-panels",
         editorVault,
         true,
         ready,
         {},
         [](QQuickWindow& window, LibraryController&) {
             if (!openArticles(window, {QStringLiteral("旅行/京都秋游.md")}))
                 return false;
             QQuickItem* screen = namedItem(window, QStringLiteral("editorScreen"));
             screen->setProperty("showsContentSearch", true);
             namedItem(window, QStringLiteral("contentSearchField"))
                 ->setProperty("text", QStringLiteral("京都"));
             screen->setProperty("showsReferencePanel", true);
             waitFor([&] { return namedItem(window, QStringLiteral("referenceQueryField")); });
             namedItem(window, QStringLiteral("referenceQueryField"))
                 ->setProperty("text", QStringLiteral("红叶"));
             return true;
         }},
        // The full memo editor.
        {"memo-editor",
         editorVault,
         true,
         ready,
         {},
         [](QQuickWindow& window, LibraryController& library) {
             namedItem(window, QStringLiteral("rootView"))
                 ->property("navigation")
                 .value<QObject*>()
                 ->setProperty("expandedMemoId", library.memos().first().id);
             return waitFor(
                 [&] {
                     QQuickItem* editor = namedItem(window, QStringLiteral("markdownEditor:memo:") +
                                                                library.memos().first().id);
                     auto* coordinator =
                         editor
                             ? editor->property("coordinator").value<MarkdownEditorCoordinator*>()
                             : nullptr;
                     return coordinator && coordinator->isReady();
                 },
                 60000);
         }},
    };

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
            engine.setInitialProperties({{QStringLiteral("shell"), QVariant::fromValue(&shell)}});
            engine.load(mainWindowUrl());
            auto* window = engine.rootObjects().isEmpty()
                               ? nullptr
                               : qobject_cast<QQuickWindow*>(engine.rootObjects().constFirst());
            if (!window)
                return 1;
            window->show();
            if (state.start)
                shell.start();
            if (!waitFor([&] { return state.ready(library); })) {
                QTextStream(stderr) << state.name << ": the state was not reached\n";
                ++failures;
                continue;
            }
            if (state.then)
                state.then(library);
            if (state.act) {
                if (!state.act(*window, library)) {
                    QTextStream(stderr) << state.name << ": the view did not appear\n";
                    ++failures;
                    continue;
                }
                // Pages paint a moment after they load.
                settle(1500);
            }
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
    if (!dark) {
        const int darkPass = QProcess::execute(QCoreApplication::applicationFilePath(),
                                               {output, QStringLiteral("--dark")});
        if (darkPass != 0)
            ++failures;
    }
    return failures == 0 ? 0 : 1;
}
