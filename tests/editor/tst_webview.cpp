// The whole host in Qt WebEngine with the built editor page: the start values arrive, typing
// reaches the host as patches that keep both copies of the text equal, a command is delivered
// once, and a vault image is served through the "larch-asset" scheme.

#include "markdowneditorcoordinator.h"
#include "markdowneditorhost.h"
#include "markdowneditorlog.h"
#include "markdowneditorprotocol.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickWindow>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QtQml/qqmlextensionplugin.h>

Q_IMPORT_QML_PLUGIN(LarchNotes_EditorPlugin)

namespace {

const char* const windowQml = R"(
import QtQuick
import QtQuick.Window
import LarchNotes.Editor

Window {
    id: window
    width: 800
    height: 600
    visible: true
    property string initialMarkdown
    property string documentID
    property url vault
    property string dist
    property alias editor: editor
    property int consumed: 0
    property var result
    property int results: 0

    property var lastCommand
    property var outline: []
    property int headingLevel: -1

    function issue(kind, value) {
        lastCommand = MarkdownEditor.command(kind, value)
        editor.command = lastCommand
    }
    function reissue() { editor.command = lastCommand }
    function reload() { editor.webEngineView.reload() }

    function evaluate(script) {
        editor.webEngineView.runJavaScript(script, function (value) {
            window.result = value
            window.results += 1
        })
    }

    MarkdownEditorWebView {
        id: editor
        anchors.fill: parent
        autofocus: true
        markdown: window.initialMarkdown
        documentID: window.documentID
        vaultRootURL: window.vault
        distPath: window.dist
        pasteImageHandler: function (data, mimeType) {
            return "/Attachments/" + new Uint8Array(data).length + "." + mimeType.split("/")[1]
        }
        onMarkdownEdited: function (text) { editor.markdown = text }
        onCommandConsumed: { window.consumed += 1; editor.command = null }
        onOutlineChanged: function (items, activePosition) {
            window.outline = items.map(function (item) { return item.level + ":" + item.title })
        }
        onFormatStateChanged: function (state) { window.headingLevel = state.headingLevel }
    }
}
)";

// The page's text, read from its CodeMirror view.
const QString pageTextScript = QStringLiteral(
    "(function () { var c = document.querySelector('.cm-content'); var t = c && (c.cmTile || "
    "c.cmView);"
    " var v = t && ((t.root && t.root.view) || (t.rootView && t.rootView.view) || t.view);"
    " return v ? v.state.doc.toString() : null; })()");

void typeText(QWindow* window, const char* text)
{
    for (; *text; ++text)
        QTest::keyClick(window, *text);
}

} // namespace

class WebViewTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        m_dist = QStringLiteral(LARCH_TEST_PAGE_DIST);
        if (!QFileInfo::exists(m_dist + QStringLiteral("/index.html")))
            QSKIP("the editor page is not built");
        QVERIFY(m_vault.isValid());
        QDir(m_vault.path()).mkpath(QStringLiteral("Attachments"));
        QImage image(3, 2, QImage::Format_RGB32);
        image.fill(Qt::red);
        QVERIFY(image.save(m_vault.filePath(QStringLiteral("Attachments/pic one.png"))));
    }

    void editsCommandsAndImages()
    {
        const QString markdown = QStringLiteral(
            "# 标题 \"q\" </script>\n\nhello 😀\n\n![pic](/Attachments/pic%20one.png)\n");
        QQmlEngine engine;
        engine.addImportPath(QStringLiteral("qrc:/"));
        QQmlComponent component(&engine);
        component.setData(windowQml,
                          QUrl::fromLocalFile(QStringLiteral(LARCH_TEST_SOURCE_DIR "/window.qml")));
        QVERIFY2(component.isReady(), qPrintable(component.errorString()));
        std::unique_ptr<QObject> window(component.createWithInitialProperties(
            {{QStringLiteral("initialMarkdown"), markdown},
             {QStringLiteral("documentID"), QStringLiteral("Notes/a.md")},
             {QStringLiteral("vault"), QUrl::fromLocalFile(m_vault.path())},
             {QStringLiteral("dist"), m_dist}}));
        QVERIFY2(window, qPrintable(component.errorString()));
        m_window = window.get();
        auto* editor = window->property("editor").value<QObject*>();
        auto* coordinator = editor->property("coordinator").value<MarkdownEditorCoordinator*>();
        QVERIFY(coordinator);
        QSignalSpy scripts(coordinator, &MarkdownEditorCoordinator::scriptRequested);
        QTRY_VERIFY_WITH_TIMEOUT(coordinator->isReady(), 60000);

        // The start values, as the page sees them.
        QCOMPARE(evaluate(QStringLiteral("window.__larchNotesInitialMarkdown")).toString(),
                 markdown);
        QCOMPARE(evaluate(QStringLiteral("window.__larchNotesDocumentID")).toString(),
                 QStringLiteral("Notes/a.md"));
        QCOMPARE(evaluate(QStringLiteral("window.__larchNotesReadOnly")).toBool(), false);
        QCOMPARE(evaluate(QStringLiteral("document.documentElement.className"))
                     .toString()
                     .split(QLatin1Char(' ')),
                 QStringList({QStringLiteral("larch-native-host"),
                              QStringLiteral("larch-native-macos-host"),
                              QStringLiteral("larch-full-editor-host"),
                              QStringLiteral("larch-appearance-light")}));
        QTRY_COMPARE_WITH_TIMEOUT(evaluate(pageTextScript).toString(), markdown, 10000);
        // The assembled page, with its main script inlined and the dist folder as base.
        QCOMPARE(
            evaluate(QStringLiteral("document.querySelectorAll('script[src]').length")).toInt(), 0);
        QCOMPARE(evaluate(QStringLiteral("document.baseURI")).toUrl(),
                 QUrl::fromLocalFile(m_dist + QStringLiteral("/")));

        // Reports reach the embedding view as plain values.
        QTRY_COMPARE_WITH_TIMEOUT(window->property("outline").toStringList(),
                                  QStringList(QStringLiteral("1:标题 \"q\" </script>")), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(window->property("headingLevel").toInt() >= 0, 10000);

        // A vault image, served through the asset scheme.
        QTRY_COMPARE_WITH_TIMEOUT(
            evaluate(
                QStringLiteral("(function () { var i = document.querySelector('img.cm-md-image');"
                               " return i && i.complete ? i.naturalWidth + ':' + i.src : ''; })()"))
                .toString(),
            QStringLiteral("3:larch-asset:///Attachments/pic%20one.png"), 10000);

        // Typing: the host applies the page's patches and ends with the page's text.
        evaluate(QStringLiteral("document.querySelector('.cm-content').focus()"));
        auto* quickWindow = qobject_cast<QQuickWindow*>(window.get());
        QTest::keyClick(quickWindow, Qt::Key_End, Qt::ControlModifier);
        typeText(quickWindow, "typed");
        QTest::keyClick(quickWindow, Qt::Key_Return);
        QTest::keyClick(quickWindow, Qt::Key_Home, Qt::ControlModifier);
        typeText(quickWindow, "x");
        QTRY_COMPARE_WITH_TIMEOUT(coordinator->currentMarkdown(),
                                  QStringLiteral("x") + markdown + QStringLiteral("typed\n"),
                                  10000);
        QCOMPARE(evaluate(pageTextScript).toString(), coordinator->currentMarkdown());
        QCOMPARE(editor->property("markdown").toString(), coordinator->currentMarkdown());
        QVERIFY(coordinator->currentRevision() > 0);
        for (const QList<QVariant>& call : std::as_const(scripts)) // never echoed
            QVERIFY(!call.at(0).toString().contains(QLatin1String("larchNotesSetDocument")));

        // A command goes to the page once, however often the same command is set.
        QMetaObject::invokeMethod(window.get(), "issue",
                                  Q_ARG(QVariant, QStringLiteral("insertText")),
                                  Q_ARG(QVariant, QStringLiteral("命令")));
        QTRY_COMPARE_WITH_TIMEOUT(window->property("consumed").toInt(), 1, 10000);
        QMetaObject::invokeMethod(window.get(), "reissue");
        QTest::qWait(300);
        QTRY_COMPARE_WITH_TIMEOUT(coordinator->currentMarkdown().count(QStringLiteral("命令")), 1,
                                  10000);
        QCOMPARE(evaluate(pageTextScript).toString(), coordinator->currentMarkdown());
        QCOMPARE(window->property("consumed").toInt(), 1);

        // A pasted image goes to the handler; the path it returns is inserted by the page.
        evaluate(QStringLiteral("window.webkit.messageHandlers.larchNotes.postMessage("
                                "{type: 'pasteImage', mimeType: 'image/gif', data: 'R0lGOA=='})"));
        QTRY_VERIFY_WITH_TIMEOUT(
            coordinator->currentMarkdown().contains(QLatin1String("/Attachments/4.gif")), 10000);
        QCOMPARE(evaluate(pageTextScript).toString(), coordinator->currentMarkdown());

        // Script errors in the page reach the log (the engine hides the details of errors in
        // scripts it was handed from outside the page).
        QStringList log;
        setEditorLogSink([&log](const QString& line) { log.append(line); });
        evaluate(QStringLiteral("setTimeout(function () { throw new Error('boom'); })"));
        QTRY_VERIFY_WITH_TIMEOUT(!log.isEmpty(), 10000);
        setEditorLogSink({});
        QVERIFY2(log.at(0).startsWith(
                     QLatin1String("[LarchNotesMarkdownEditorNative] JavaScript error: {")) &&
                     log.at(0).contains(QLatin1String("\"type\":\"jsError\"")),
                 qPrintable(log.at(0)));

        // A text set from outside reaches the page as its next revision, and the page's next
        // edit follows on from it.
        const qint64 revision = coordinator->currentRevision();
        editor->setProperty("markdown", QStringLiteral("replaced"));
        QTRY_COMPARE_WITH_TIMEOUT(evaluate(pageTextScript).toString(), QStringLiteral("replaced"),
                                  10000);
        QCOMPARE(coordinator->currentRevision(), revision + 1);
        QTest::keyClick(quickWindow, Qt::Key_End, Qt::ControlModifier);
        typeText(quickWindow, "!");
        QTRY_COMPARE_WITH_TIMEOUT(coordinator->currentMarkdown(), QStringLiteral("replaced!"),
                                  10000);
        QCOMPARE(coordinator->currentRevision(), revision + 2);

        // After a reload the page holds the host's text, not the text it was created with.
        evaluate(QStringLiteral("window.larchNotesOldPage = true"));
        QMetaObject::invokeMethod(window.get(), "reload");
        QTRY_VERIFY_WITH_TIMEOUT(
            evaluate(QStringLiteral("window.larchNotesOldPage === undefined")).toBool(), 10000);
        QTRY_COMPARE_WITH_TIMEOUT(evaluate(pageTextScript).toString(), QStringLiteral("replaced!"),
                                  10000);
        QCOMPARE(coordinator->currentRevision(), 0);
        m_window = nullptr;
    }

private:
    QVariant evaluate(const QString& script)
    {
        const int before = m_window->property("results").toInt();
        QMetaObject::invokeMethod(m_window, "evaluate", Q_ARG(QVariant, script));
        if (!QTest::qWaitFor([&] { return m_window->property("results").toInt() > before; }, 10000))
            return QStringLiteral("<no result>");
        return m_window->property("result");
    }

    QString m_dist;
    QTemporaryDir m_vault;
    QObject* m_window = nullptr;
};

int main(int argc, char* argv[])
{
    initializeMarkdownEditorHost();
    QGuiApplication app(argc, argv);
    WebViewTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_webview.moc"
