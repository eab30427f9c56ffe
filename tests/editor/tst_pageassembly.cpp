// Assembling the editor page from sample dist folders: the inlined main script, the fallbacks,
// the missing-resources page, and finding the dist folder.

#include "markdowneditorlog.h"
#include "markdowneditorpage.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString inlineStart = QStringLiteral("<script>\ntry {\n");
const QString inlineEnd = QStringLiteral(
    "\n} catch (error) {\n  window.webkit.messageHandlers.larchNotes.postMessage({type: 'jsError', "
    "message: String(error), stack: error && error.stack ? error.stack : ''});\n}\n</script>");

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

class PageAssemblyTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_log.clear();
        setEditorLogSink([this](const QString& line) { m_log.append(line); });
    }
    void cleanup() { setEditorLogSink({}); }

    void inlinesTheFirstDeferredScript()
    {
        QTemporaryDir dist;
        writeFile(dist.filePath(QStringLiteral("index.html")),
                  "<html><head><link rel=\"stylesheet\" href=\"./assets/app.css\"></head><body>"
                  "<div id=\"editor\"></div>\n<script defer src=\"./assets/app.js\"></script>\n"
                  "<script defer src=\"./assets/other.js\"></script></body></html>");
        writeFile(dist.filePath(QStringLiteral("assets/app.js")), "start(\"周\");");
        const EditorPageLoad load = assembleEditorPage(dist.path());
        QCOMPARE(load.kind, EditorPageLoad::Kind::html);
        QCOMPARE(
            load.html,
            QStringLiteral(
                "<html><head><link rel=\"stylesheet\" href=\"./assets/app.css\"></head><body>"
                "<div id=\"editor\"></div>\n\n<script defer src=\"./assets/other.js\"></script>") +
                inlineStart + QStringLiteral("start(\"周\");") + inlineEnd +
                QStringLiteral("</body></html>"));
        QCOMPARE(load.baseUrl, QUrl::fromLocalFile(dist.path() + QStringLiteral("/")));
        QCOMPARE(load.baseUrl.resolved(QUrl(QStringLiteral("./assets/app.css"))),
                 QUrl::fromLocalFile(dist.filePath(QStringLiteral("assets/app.css"))));
        QVERIFY(m_log.isEmpty());
    }

    void withoutClosingBodyTheScriptIsDropped()
    {
        QTemporaryDir dist;
        writeFile(dist.filePath(QStringLiteral("index.html")),
                  "<p>x</p><script defer src=\"app.js\"></script>");
        writeFile(dist.filePath(QStringLiteral("app.js")), "boot()");
        const EditorPageLoad load = assembleEditorPage(dist.path());
        QCOMPARE(load.kind, EditorPageLoad::Kind::html);
        QCOMPARE(load.html, QStringLiteral("<p>x</p>"));
    }

    void fallsBackToTheIndexFile_data()
    {
        QTest::addColumn<QByteArray>("index");
        QTest::addColumn<bool>("writeScript");
        QTest::addColumn<QString>("logged"); // start of the one log line, or empty for none
        // clang-format off
        QTest::newRow("no deferred script") << QByteArray("<body><script src=\"./assets/app.js\"></script></body>") << true << QString();
        QTest::newRow("unterminated tag") << QByteArray("<body><script defer src=\"./assets/app.js\" async></script></body>") << true << QString();
        QTest::newRow("script missing") << QByteArray("<body><script defer src=\"./assets/app.js\"></script></body>") << false << QStringLiteral("[LarchNotesMarkdownEditorNative] failed to inline editor: ");
        QTest::newRow("index not UTF-8") << QByteArray("<body>\xff<script defer src=\"./assets/app.js\"></script></body>") << true << QStringLiteral("[LarchNotesMarkdownEditorNative] failed to inline editor: ");
        // clang-format on
    }
    void fallsBackToTheIndexFile()
    {
        QFETCH(QByteArray, index);
        QFETCH(bool, writeScript);
        QFETCH(QString, logged);
        QTemporaryDir dist;
        writeFile(dist.filePath(QStringLiteral("index.html")), index);
        if (writeScript)
            writeFile(dist.filePath(QStringLiteral("assets/app.js")), "boot()");
        const EditorPageLoad load = assembleEditorPage(dist.path());
        QCOMPARE(load.kind, EditorPageLoad::Kind::file);
        QCOMPARE(load.url, QUrl::fromLocalFile(dist.filePath(QStringLiteral("index.html"))));
        if (logged.isEmpty()) {
            QVERIFY(m_log.isEmpty());
        } else {
            QCOMPARE(m_log.size(), 1);
            QVERIFY2(m_log.at(0).startsWith(logged), qPrintable(m_log.at(0)));
        }
    }

    // The view loads HTML text through a data: URL of limited length; a larger page loads from
    // its file instead of failing to load at all.
    void pageTooLargeForTextLoadsTheFile()
    {
        QTemporaryDir dist;
        writeFile(dist.filePath(QStringLiteral("index.html")),
                  "<body><script defer src=\"./app.js\"></script></body>");
        writeFile(dist.filePath(QStringLiteral("app.js")), QByteArray(800 * 1024, '{'));
        const EditorPageLoad load = assembleEditorPage(dist.path());
        QCOMPARE(load.kind, EditorPageLoad::Kind::file);
        QCOMPARE(m_log.size(), 1);
        QVERIFY(fitsInlineLoad(QString(1900 * 1024, QLatin1Char('a'))));
        QVERIFY(!fitsInlineLoad(QString(700 * 1024, QLatin1Char('{'))));
    }

    void missingResources()
    {
        QTemporaryDir dist;
        for (const QString& path :
             {dist.path(), dist.filePath(QStringLiteral("absent")), QString()}) {
            const EditorPageLoad load = assembleEditorPage(path);
            QCOMPARE(load.kind, EditorPageLoad::Kind::html);
            QCOMPARE(load.html, QStringLiteral("<p>Editor resources are missing.</p>"));
            QVERIFY(load.baseUrl.isEmpty());
        }
        QVERIFY(m_log.isEmpty());
    }

    void findsTheDistFolder()
    {
        QTemporaryDir root;
        const QString beside = root.filePath(QStringLiteral("app/editor-page/dist"));
        const QString build = root.filePath(QStringLiteral("build/editor-page/dist"));
        writeFile(build + QStringLiteral("/index.html"), "<body></body>");
        QCOMPARE(findEditorPageDist({beside, build}), build);
        writeFile(beside + QStringLiteral("/index.html"), "<body></body>");
        QCOMPARE(findEditorPageDist({beside, build}), beside);
        const QString nowhere = root.filePath(QStringLiteral("nowhere"));
        QCOMPARE(findEditorPageDist({nowhere}), nowhere);
        QCOMPARE(findEditorPageDist({}), QString());

        // An installed program looks in its prefix's share folder, never in the build folder
        // (which may still be there); one inside the build folder also takes the build's page.
        QCOMPARE(editorPageDistCandidates(root.filePath(QStringLiteral("usr/bin"))),
                 QStringList{root.filePath(QStringLiteral("usr/share/larch-notes/editor-page"))});
        QCOMPARE(editorPageDistCandidates(QCoreApplication::applicationDirPath()).size(), 2);
    }

private:
    QStringList m_log;
};

QTEST_GUILESS_MAIN(PageAssemblyTest)
#include "tst_pageassembly.moc"
