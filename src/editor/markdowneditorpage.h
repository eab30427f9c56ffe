#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

// How the editor page is put together: the host classes and start values injected before the
// page's own scripts, the bridge script that carries the page's messages to the host, and the
// page's HTML assembled from the dist folder with its main script inlined.

struct EditorHostKind
{
    QString hostClass;
    bool readOnly = false;
};

// The page's host class and read-only flag, chosen by the document id's prefix.
EditorHostKind editorHostKind(const QString& documentID);

// The script that runs at document creation before any page script: host classes, the three
// start values and the error hooks that report script errors as "jsError" messages.
QString editorStartScript(const QString& markdown, const QString& documentID);

// The script that gives the page window.webkit.messageHandlers.larchNotes.postMessage over the web
// channel (the channel's client library included); messages posted before the channel is up are
// queued and sent once it is.
QString editorBridgeScript();

// Name under which the host's message endpoint is published on the web channel.
QString editorBridgeObjectName();

struct EditorPageLoad
{
    enum class Kind {
        html, // load `html` with `baseUrl` (empty for the missing-resources page)
        file, // load `url` directly
    };
    Kind kind = Kind::html;
    QString html;
    QUrl baseUrl;
    QUrl url;
};

// The page to load from the dist folder: the assembled HTML with its first deferred script
// inlined; the index file itself when inlining fails; the missing-resources page when the folder
// has no index.html.
EditorPageLoad assembleEditorPage(const QString& distPath);

// The largest assembled page that can be loaded as HTML text: the view loads it through a data:
// URL of percent-encoded UTF-8, and longer URLs fail to load.
bool fitsInlineLoad(const QString& html);

// The first candidate folder that holds index.html; the first candidate when none does (so
// that the page reports its resources missing), or an empty string without candidates.
QString findEditorPageDist(const QStringList& candidates);

// Where a program in `applicationDir` looks for the page: the installed layout
// (<prefix>/bin beside <prefix>/share/larch-notes/editor-page), then, for a program inside the
// build folder (or with no folder given), the page the build produced.
QStringList editorPageDistCandidates(const QString& applicationDir);
// The same for this program.
QStringList editorPageDistCandidates();
