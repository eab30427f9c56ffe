// larch-bench-editor [--keys N] [--work-dir DIR]
//
// The article editor in the main window, off-screen, with the real editor page in Qt WebEngine:
// - time to show an article: from asking the workspace to open it to the first frame after its
//   page has loaded and laid out its text, for a 10 KB and a 1 MB article (the first one pays
//   for starting the web engine, and is reported apart);
// - time per keystroke, end to end: from the key event to the moment the article's session
//   holds the new text (key → page → patch over the bridge → host → session), N keys typed at
//   the end of each article at a steady pace, p50 and p95.
// Works on a generated vault of two articles in a temporary folder.

#include "appsetup.h"
#include "appshell.h"
#include "librarycontroller.h"
#include "markdowneditorcoordinator.h"
#include "randomsource.h"
#include "textmaker.h"

#include <QCommandLineParser>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QQmlApplicationEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

#include <qcorotask.h>

#include <algorithm>
#include <functional>
#include <stdexcept>

namespace {

bool waitFor(const std::function<bool()>& done, int milliseconds = 120000)
{
    QDeadlineTimer deadline(milliseconds);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    return true;
}

double percentile(QList<double> values, double fraction)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    return values.at(std::min<qsizetype>(values.size() - 1, qsizetype(fraction * values.size())));
}

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

class EditorWindow
{
public:
    explicit EditorWindow(const QString& vault)
        : m_settings(m_dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat),
          m_library(&m_settings, vault), m_shell(&m_library)
    {
        prepareEngine(m_engine);
        m_engine.setInitialProperties({{QStringLiteral("shell"), QVariant::fromValue(&m_shell)}});
        m_engine.load(mainWindowUrl());
        if (m_engine.rootObjects().isEmpty())
            throw std::runtime_error("the main window did not load");
        window = qobject_cast<QQuickWindow*>(m_engine.rootObjects().constFirst());
        QObject::connect(window, &QQuickWindow::frameSwapped, window, [this]() { ++frames; });
        window->show();
        m_shell.start();
        if (!waitFor([&] { return item(QStringLiteral("rootView")) != nullptr; }))
            throw std::runtime_error("the workspace did not appear");
        // Loading reopens an article; start from none, so each article opened gets its own page
        // and nothing loads in the background.
        for (NoteEditorSession* session : m_library.openSessions())
            QCoro::waitFor(m_library.closeSessionAsync(session->id()));
    }

    QQuickItem* item(const QString& name) const
    {
        QList<QQuickItem*> pending{window->contentItem()};
        while (!pending.isEmpty()) {
            QQuickItem* next = pending.takeLast();
            if (next->objectName() == name)
                return next;
            pending.append(next->childItems());
        }
        return nullptr;
    }
    NoteEditorSession* session(const QString& path) const
    {
        for (NoteEditorSession* session : m_library.openSessions()) {
            if (session->path() == path)
                return session;
        }
        return nullptr;
    }

    // Milliseconds from asking for the article to the first frame after its page is ready.
    double show(const QString& path)
    {
        QElapsedTimer clock;
        clock.start();
        auto* navigation =
            item(QStringLiteral("rootView"))->property("navigation").value<QObject*>();
        QMetaObject::invokeMethod(navigation, "openArticle", Q_ARG(QString, path));
        QQuickItem* editor = nullptr;
        if (!waitFor([&] {
                editor = item(QStringLiteral("markdownEditor:") + path);
                return editor && coordinator(editor)->isReady();
            }))
            throw std::runtime_error("the editor page did not load");
        const int seen = frames;
        window->requestUpdate();
        if (!waitFor([&] { return frames > seen; }))
            throw std::runtime_error("no frame after the page loaded");
        return double(clock.nsecsElapsed()) / 1e6;
    }

    // Types `count` characters at the end of the article; milliseconds per key until the
    // session holds it.
    QList<double> type(const QString& path, int count)
    {
        QQuickItem* editor = item(QStringLiteral("markdownEditor:") + path);
        NoteEditorSession* session = this->session(path);
        auto* web = editor->property("webEngineView").value<QQuickItem*>();
        web->forceActiveFocus();
        Q_EMIT coordinator(editor)->scriptRequested(
            QStringLiteral("document.querySelector('.cm-content').focus()"));
        QTest::qWait(300);
        QTest::keyClick(window, Qt::Key_End, Qt::ControlModifier);
        QTest::qWait(300);
        QList<double> times;
        for (int i = 0; i < count; ++i) {
            const qsizetype before = session->markdown().size();
            QElapsedTimer clock;
            clock.start();
            QTest::keyClick(window, char('a' + i % 26));
            if (!waitFor([&] { return session->markdown().size() == before + 1; }, 10000))
                throw std::runtime_error("a keystroke did not reach the session");
            times.append(double(clock.nsecsElapsed()) / 1e6);
            // A brisk typist: about eight keys a second.
            QTest::qWait(120);
        }
        return times;
    }

    static MarkdownEditorCoordinator* coordinator(QQuickItem* editor)
    {
        return editor->property("coordinator").value<MarkdownEditorCoordinator*>();
    }

    QQuickWindow* window = nullptr;
    int frames = 0;

private:
    QTemporaryDir m_dir;
    QSettings m_settings;
    LibraryController m_library;
    AppShell m_shell;
    QQmlApplicationEngine m_engine;
};

QString fixed(double value)
{
    return QString::number(value, 'f', 1);
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
        EditorWindow window(vault);
        QTextStream out(stdout);
        // The first page pays for starting the web engine.
        const double cold = window.show(QStringLiteral("warm-up.md"));
        const double small = window.show(QStringLiteral("small.md"));
        const double large = window.show(QStringLiteral("large.md"));
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
            QMetaObject::invokeMethod(
                window.item(QStringLiteral("rootView"))->property("navigation").value<QObject*>(),
                "openArticle", Q_ARG(QString, path));
            QTest::qWait(500);
            const QList<double> times = window.type(path, keys);
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
