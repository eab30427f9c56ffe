// larch-bench-editor [--keys N] [--work-dir DIR]
//
// The article editor in the main window, off-screen, with the real editor page in Qt WebEngine:
// - time to show an article: from asking the workspace to open it to the first frame after its
//   page has loaded and laid out its text, for a 10 KB and a 1 MB article (the first one pays
//   for starting the web engine, and is reported apart);
// - time per keystroke, end to end: from the key event to the moment the article's session
//   holds the new text (key → page → patch over the bridge → host → session), N keys typed at
//   the end of each article at a steady pace, p50 and p95.
// Works on a vault of three generated articles in a temporary folder. Targets in README.md.

#include "markdowneditorcoordinator.h"
#include "randomsource.h"
#include "textmaker.h"
#include "uibenchwindow.h"

#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>
#include <QTextStream>

#include <qcorotask.h>

#include <tuple>

namespace {

// An article of about `bytes` bytes of mixed prose, headings, lists, code and tables.
QByteArray makeArticle(qsizetype bytes, quint64 seed)
{
    RandomSource random(seed);
    TextMaker text(random);
    QByteArray article = "# " + text.headingText() + "\n\n";
    int block = 0;
    while (article.size() < bytes) {
        switch (block++ % 8) {
        case 0:
            article += "## " + text.headingText() + "\n\n";
            break;
        case 3:
            article += text.bulletList() + '\n';
            break;
        case 5:
            article += text.codeBlock() + '\n';
            break;
        case 7:
            article += text.table() + '\n';
            break;
        default:
            article += text.paragraph(2, 6) + "\n\n";
        }
    }
    return article;
}

MarkdownEditorCoordinator* coordinatorOf(QQuickItem* editor)
{
    return editor->property("coordinator").value<MarkdownEditorCoordinator*>();
}

bool editorIsReady(const Window& window, const QString& path)
{
    QQuickItem* editor = window.item(QStringLiteral("markdownEditor:") + path);
    return editor && coordinatorOf(editor)->isReady();
}

QObject* navigation(const Window& window)
{
    return window.item(QStringLiteral("rootView"))->property("navigation").value<QObject*>();
}

NoteEditorSession* sessionOf(Window& window, const QString& path)
{
    for (NoteEditorSession* session : window.library().openSessions()) {
        if (session->path() == path)
            return session;
    }
    return nullptr;
}

// Milliseconds from asking the workspace for the article to the first frame after its page is
// ready.
double showArticle(Window& window, const QString& path)
{
    QElapsedTimer clock;
    clock.start();
    QMetaObject::invokeMethod(navigation(window), "openArticle", Q_ARG(QString, path));
    if (!waitFor([&] { return editorIsReady(window, path); }, 120000))
        throw std::runtime_error("the editor page did not load");
    if (!window.nextFrame())
        throw std::runtime_error("no frame after the page loaded");
    return double(clock.nsecsElapsed()) / 1e6;
}

// Types `count` characters at the end of the open article; milliseconds per key until the
// session holds it.
QList<double> typeInto(Window& window, const QString& path, int count)
{
    QQuickItem* editor = window.item(QStringLiteral("markdownEditor:") + path);
    NoteEditorSession* session = sessionOf(window, path);
    if (!editor || !session)
        throw std::runtime_error("the article is not open");
    editor->property("webEngineView").value<QQuickItem*>()->forceActiveFocus();
    Q_EMIT coordinatorOf(editor)->scriptRequested(
        QStringLiteral("document.querySelector('.cm-content').focus()"));
    QTest::qWait(300);
    QTest::keyClick(window.window, Qt::Key_End, Qt::ControlModifier);
    QTest::qWait(300);
    QList<double> times;
    for (int i = 0; i < count; ++i) {
        const qsizetype before = session->markdown().size();
        QElapsedTimer clock;
        clock.start();
        QTest::keyClick(window.window, char('a' + i % 26));
        if (!waitFor([&] { return session->markdown().size() == before + 1; }, 10000))
            throw std::runtime_error("a keystroke did not reach the session");
        times.append(double(clock.nsecsElapsed()) / 1e6);
        // A brisk typist: about eight keys a second.
        QTest::qWait(120);
    }
    return times;
}

} // namespace

int main(int argc, char* argv[])
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (!qEnvironmentVariableIsSet("QTWEBENGINE_CHROMIUM_FLAGS"))
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu");
    QGuiApplication app(argc, argv);
    configureApplication(app);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Editor keystroke and opening times."));
    parser.addHelpOption();
    parser.addOption({QStringLiteral("keys"), QStringLiteral("Keys typed per article."),
                      QStringLiteral("N"), QStringLiteral("100")});
    parser.addOption({QStringLiteral("work-dir"),
                      QStringLiteral("Folder for the generated vault (default: a temporary one)."),
                      QStringLiteral("DIR")});
    parser.process(app);
    const int keys = std::max(1, parser.value(QStringLiteral("keys")).toInt());

    QTemporaryDir temporary(parser.value(QStringLiteral("work-dir")).isEmpty()
                                ? QDir::tempPath() + QStringLiteral("/larch-bench-editor-XXXXXX")
                                : parser.value(QStringLiteral("work-dir")) +
                                      QStringLiteral("/larch-bench-editor-XXXXXX"));
    const QString vault = temporary.filePath(QStringLiteral("vault"));
    QDir().mkpath(vault);
    const QList<QPair<QString, qsizetype>> articles = {{QStringLiteral("warm-up.md"), 2000},
                                                       {QStringLiteral("small.md"), 10 * 1024},
                                                       {QStringLiteral("large.md"), 1024 * 1024}};
    quint64 seed = 20240501;
    for (const auto& [name, size] : articles) {
        QFile file(vault + QLatin1Char('/') + name);
        if (!file.open(QIODevice::WriteOnly) || file.write(makeArticle(size, seed++)) < 0) {
            QTextStream(stderr) << "cannot write " << file.fileName() << '\n';
            return 1;
        }
    }

    try {
        Window window(vault);
        window.show();
        if (!waitFor([&] { return window.item(QStringLiteral("rootView")) != nullptr; }, 120000))
            throw std::runtime_error("the workspace did not appear");
        // Loading reopens an article; start from none, so each article opened gets its own page
        // and nothing loads in the background.
        for (NoteEditorSession* session : window.library().openSessions())
            QCoro::waitFor(window.library().closeSessionAsync(session->id()));
        QTextStream out(stdout);
        // The first page pays for starting the web engine.
        const double cold = showArticle(window, QStringLiteral("warm-up.md"));
        const double small = showArticle(window, QStringLiteral("small.md"));
        const double large = showArticle(window, QStringLiteral("large.md"));
        out << "show (first page, web engine start) " << fixed(cold) << " ms\n"
            << "show 10 KB " << fixed(small) << " ms\n"
            << "show 1 MB  " << fixed(large) << " ms   target 1500 ms\n";
        out.flush();
        QJsonObject json{{QStringLiteral("show_first_ms"), cold},
                         {QStringLiteral("show_10k_ms"), small},
                         {QStringLiteral("show_1m_ms"), large}};
        for (const auto& [path, label, target] :
             {std::tuple{QStringLiteral("small.md"), QStringLiteral("10k"), 33},
              std::tuple{QStringLiteral("large.md"), QStringLiteral("1m"), 100}}) {
            QMetaObject::invokeMethod(navigation(window), "openArticle", Q_ARG(QString, path));
            QTest::qWait(500);
            const QList<double> times = typeInto(window, path, keys);
            const double p50 = percentile(times, 0.5);
            const double p95 = percentile(times, 0.95);
            out << "keystroke " << label << ": p50 " << fixed(p50) << " ms, p95 " << fixed(p95)
                << " ms, max " << fixed(*std::max_element(times.begin(), times.end()))
                << " ms   target p95 " << target << " ms\n";
            out.flush();
            json.insert(QStringLiteral("key_%1_p50_ms").arg(label), p50);
            json.insert(QStringLiteral("key_%1_p95_ms").arg(label), p95);
        }
        out << QJsonDocument(json).toJson(QJsonDocument::Compact) << '\n';
    } catch (const std::exception& error) {
        QTextStream(stderr) << error.what() << '\n';
        return 1;
    }
    return 0;
}
