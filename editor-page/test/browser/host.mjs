// A stand-in for the native host, for tests in a real browser: it assembles the page the way the
// host does (the first deferred script inlined inside a fixed try/catch block), injects the start
// values, the error hooks and a message collector before the page runs, and serves the page from
// the built folder.
import {existsSync, readFileSync} from "node:fs";
import {extname, join, normalize} from "node:path";

export const pageOrigin = "http://larch.test";

const catchBlock = "\n} catch (error) {\n  window.webkit.messageHandlers.larchNotes.postMessage({type: 'jsError', message: String(error), stack: error && error.stack ? error.stack : ''});\n}\n</script>";

/// The page as the host loads it, or null when the script cannot be inlined.
export function assemblePage(dist) {
    const html = readFileSync(join(dist, "index.html"), "utf8");
    const opening = '<script defer src="';
    const start = html.indexOf(opening);
    if (start < 0) return null;
    const end = html.indexOf('"></script>', start + opening.length);
    if (end < 0) return null;
    const path = html.slice(start + opening.length, end).replaceAll("./", "");
    const script = readFileSync(join(dist, path), "utf8");
    const block = "<script>\ntry {\n" + script + catchBlock;
    const withoutTag = html.slice(0, start) + html.slice(end + '"></script>'.length);
    // A function, so that "$" sequences in the script are not read as replacement patterns.
    return withoutTag.replaceAll("</body>", () => block + "</body>");
}

export function hostClass(documentID) {
    if (documentID.startsWith("memo-composer:")) return "larch-memo-composer-host";
    if (documentID.startsWith("memo-preview:")) return "larch-memo-preview-host";
    if (documentID.startsWith("memo-inline:")) return "larch-compact-memo-host";
    return "larch-full-editor-host";
}

/// The start script, as the host injects it at document creation, plus a collector that keeps
/// every posted message (copied the way a native message handler receives it) and every policy
/// violation.
export function startScript({markdown, documentID, readOnly = false, keepRevisions = true}) {
    return `
window.__messages = [];
window.__violations = [];
window.__larchNotesTestMode = ${keepRevisions ? "true" : '"text"'};
window.webkit = {messageHandlers: {larchNotes: {postMessage: function (m) { window.__messages.push(JSON.parse(JSON.stringify(m))); }}}};
document.addEventListener('securitypolicyviolation', function (e) { window.__violations.push(e.violatedDirective + ' ' + e.blockedURI); });
window.__larchNotesInitialMarkdown = ${JSON.stringify(markdown)};
window.__larchNotesDocumentID = ${JSON.stringify(documentID)};
window.__larchNotesReadOnly = ${readOnly ? "true" : "false"};
// At document creation there is no root element yet in Chromium; add the classes once there is.
(function addClasses() {
  if (document.documentElement) document.documentElement.classList.add('larch-native-host', 'larch-native-macos-host', '${hostClass(documentID)}');
  else new MutationObserver(function (_, observer) { if (document.documentElement) { observer.disconnect(); addClasses(); } }).observe(document, {childList: true});
})();
window.addEventListener('error', function(event) {
  window.webkit.messageHandlers.larchNotes.postMessage({type: 'jsError', message: event.message, source: event.filename, line: event.lineno});
});
window.addEventListener('unhandledrejection', function(event) {
  window.webkit.messageHandlers.larchNotes.postMessage({type: 'jsError', message: String(event.reason)});
});`;
}

const types = {".js": "text/javascript", ".css": "text/css", ".html": "text/html", ".png": "image/png"};

/// Serves the assembled page at the origin's root and the dist folder's files below it.
export async function servePage(context, dist) {
    const page = assemblePage(dist);
    await context.route(`${pageOrigin}/**`, (route) => {
        const path = decodeURIComponent(new URL(route.request().url()).pathname);
        if (path === "/" || path === "/index.html") {
            return route.fulfill({status: 200, contentType: "text/html; charset=utf-8", body: page});
        }
        const file = normalize(join(dist, path));
        if (!file.startsWith(dist) || !existsSync(file)) return route.fulfill({status: 404, body: ""});
        return route.fulfill({status: 200, contentType: types[extname(file)] ?? "application/octet-stream", body: readFileSync(file)});
    });
}
