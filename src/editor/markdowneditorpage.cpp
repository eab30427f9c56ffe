#include "markdowneditorpage.h"

#include "fileio.h"
#include "markdowneditorlog.h"
#include "markdowneditorprotocol.h"
#include "vaulterror.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

const QLatin1String scriptTagStart("<script defer src=\"");
const QLatin1String scriptTagEnd("\"></script>");

// The view refuses data: URLs longer than this (Chromium's limit on URL length).
constexpr qsizetype maximumUrlLength = 2 * 1024 * 1024;
const QLatin1String dataUrlPrefix("data:text/html;charset=UTF-8,");

QString readResource(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        logEditorMessage(QLatin1String("missing built-in script ") + path);
        return {};
    }
    return QString::fromUtf8(file.readAll());
}

// The page text with its first deferred script inlined; nothing when that fails.
std::optional<QString> inlinedPage(const QString& distPath, const QString& indexPath)
{
    QString html;
    try {
        html = readTextFile(indexPath);
    } catch (const StorageError& error) {
        logEditorMessage(QLatin1String("failed to inline editor: ") + error.localizedDescription());
        return std::nullopt;
    }
    const qsizetype tagStart = html.indexOf(scriptTagStart);
    if (tagStart < 0)
        return std::nullopt;
    const qsizetype pathStart = tagStart + scriptTagStart.size();
    const qsizetype pathEnd = html.indexOf(scriptTagEnd, pathStart);
    if (pathEnd < 0)
        return std::nullopt;
    QString scriptPath = html.mid(pathStart, pathEnd - pathStart);
    scriptPath.remove(QLatin1String("./"));

    QString script;
    try {
        script = readTextFile(distPath + QLatin1Char('/') + scriptPath);
    } catch (const StorageError& error) {
        logEditorMessage(QLatin1String("failed to inline editor: ") + error.localizedDescription());
        return std::nullopt;
    }
    const QString block =
        QLatin1String("<script>\ntry {\n") + script +
        QLatin1String("\n} catch (error) {\n  window.webkit.messageHandlers.larchNotes.postMessage("
                      "{type: 'jsError', message: String(error), stack: error && error.stack ? "
                      "error.stack : ''});\n}\n</script>");
    html.remove(tagStart, pathEnd + scriptTagEnd.size() - tagStart);
    html.replace(QLatin1String("</body>"), block + QLatin1String("</body>"));
    if (!fitsInlineLoad(html)) {
        logEditorMessage(QLatin1String("failed to inline editor: the assembled page is too large "
                                       "to load as text, loading index.html instead"));
        return std::nullopt;
    }
    return html;
}

} // namespace

EditorHostKind editorHostKind(const QString& documentID)
{
    if (documentID.startsWith(QLatin1String("memo-composer:")))
        return {QStringLiteral("larch-memo-composer-host"), false};
    if (documentID.startsWith(QLatin1String("memo-preview:")))
        return {QStringLiteral("larch-memo-preview-host"), true};
    if (documentID.startsWith(QLatin1String("memo-inline:")))
        return {QStringLiteral("larch-compact-memo-host"), false};
    return {QStringLiteral("larch-full-editor-host"), false};
}

QString editorStartScript(const QString& markdown, const QString& documentID)
{
    const EditorHostKind kind = editorHostKind(documentID);
    // At document creation the web engine has no <html> element yet: the classes go on it as
    // soon as the parser inserts it, before any page script or style runs.
    return QLatin1String("(function (classes) {\n"
                         "  var add = function () {\n"
                         "    var list = document.documentElement.classList;\n"
                         "    list.add.apply(list, classes);\n"
                         "  };\n"
                         "  if (document.documentElement) { add(); return; }\n"
                         "  new MutationObserver(function (records, observer) {\n"
                         "    if (document.documentElement) { observer.disconnect(); add(); }\n"
                         "  }).observe(document, {childList: true});\n"
                         "})(['larch-native-host', '") +
           QLatin1String("larch-native-macos-host") + QLatin1String("', '") + kind.hostClass +
           QLatin1String("']);\nwindow.__larchNotesInitialMarkdown = ") +
           javaScriptStringLiteral(markdown) +
           QLatin1String(";\nwindow.__larchNotesDocumentID = ") +
           javaScriptStringLiteral(documentID) +
           QLatin1String(";\nwindow.__larchNotesReadOnly = ") +
           (kind.readOnly ? QLatin1String("true") : QLatin1String("false")) +
           QLatin1String(
               ";\nwindow.addEventListener('error', function(event) {\n"
               "  window.webkit.messageHandlers.larchNotes.postMessage({type: 'jsError', message: "
               "event.message, source: event.filename, line: event.lineno});\n"
               "});\nwindow.addEventListener('unhandledrejection', function(event) {\n"
               "  window.webkit.messageHandlers.larchNotes.postMessage({type: 'jsError', message: "
               "String(event.reason)});\n});");
}

QString editorBridgeObjectName()
{
    return QStringLiteral("larchNotesHost");
}

QString editorBridgeScript()
{
    // Both files are wrapped in one function so that the page's global names stay its own; a
    // failure here must not keep the start values, which follow, from being set.
    return QLatin1String("try {\n(function () {\n") +
           readResource(QStringLiteral(":/qtwebchannel/qwebchannel.js")) + QLatin1String("\n;\n") +
           readResource(QStringLiteral(":/larch-editor/markdowneditorbridge.js")) +
           QLatin1String("(") + javaScriptStringLiteral(editorBridgeObjectName()) +
           QLatin1String(");\n})();\n} catch (error) {\n  console.error('larchNotes bridge: ' + "
                         "error);\n}\n");
}

EditorPageLoad assembleEditorPage(const QString& distPath)
{
    const QString indexPath = distPath + QLatin1String("/index.html");
    if (distPath.isEmpty() || !QFileInfo(indexPath).isFile())
        return {EditorPageLoad::Kind::html, QStringLiteral("<p>Editor resources are missing.</p>"),
                QUrl(), QUrl()};
    // The trailing slash makes the dist folder itself the base of the page's relative references.
    const QUrl baseUrl = QUrl::fromLocalFile(QDir(distPath).absolutePath() + QLatin1Char('/'));
    if (std::optional<QString> html = inlinedPage(distPath, indexPath))
        return {EditorPageLoad::Kind::html, *html, baseUrl, QUrl()};
    return {EditorPageLoad::Kind::file, QString(), QUrl(),
            QUrl::fromLocalFile(QFileInfo(indexPath).absoluteFilePath())};
}

bool fitsInlineLoad(const QString& html)
{
    return dataUrlPrefix.size() + html.toUtf8().toPercentEncoding().size() <= maximumUrlLength;
}

QString findEditorPageDist(const QStringList& candidates)
{
    for (const QString& candidate : candidates) {
        if (QFileInfo(candidate + QLatin1String("/index.html")).isFile())
            return candidate;
    }
    return candidates.value(0);
}

QStringList editorPageDistCandidates(const QString& applicationDir)
{
    QStringList candidates;
    if (!applicationDir.isEmpty())
        candidates.append(QDir::cleanPath(applicationDir + QLatin1Char('/') +
                                          QLatin1String(LARCH_EDITOR_PAGE_INSTALLED)));
#ifdef LARCH_EDITOR_PAGE_BUILD_DIST
    // Only a program inside the build folder may fall back on the build's own page: an installed
    // one must never depend on a build folder that happens to be still there.
    const QString build = QDir(QStringLiteral(LARCH_BUILD_DIR)).canonicalPath();
    const QString from = QDir(applicationDir).canonicalPath();
    if (applicationDir.isEmpty() ||
        (!build.isEmpty() && (from == build || from.startsWith(build + QLatin1Char('/')))))
        candidates.append(QStringLiteral(LARCH_EDITOR_PAGE_BUILD_DIST));
#endif
    return candidates;
}

QStringList editorPageDistCandidates()
{
    return editorPageDistCandidates(
        QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString());
}
