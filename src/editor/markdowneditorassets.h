#pragma once

#include <QByteArray>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineUrlSchemeHandler>

#include <functional>

// The "larch-asset" URL scheme: the editor page reads image files of the vault through it. A
// request names a vault file by its URL path; the host part and the query are not used.

QByteArray markdownEditorAssetScheme();

// Registers the scheme with the web engine. Must run before the application object exists.
void registerMarkdownEditorAssetScheme();

// The MIME type served for a file, from its extension compared case-insensitively.
QByteArray assetMimeType(const QString& fileName);

struct AssetResponse
{
    enum class Status {
        served,
        unsupportedURL,   // no URL, or not of the asset scheme
        fileDoesNotExist, // outside the vault, the root itself, a folder, missing or unreadable
    };
    Status status = Status::fileDoesNotExist;
    QByteArray mimeType;
    QByteArray data;
};

// Serves a request against the vault root (a folder path). The file is opened first, without
// following any link out of the vault, and then checked: it is served only if it is a regular
// file whose real path lies inside the vault's real path, and not in the application's own
// ".larch" folder.
AssetResponse resolveAssetRequest(const QString& vaultRoot, const QUrl& url);

// The web engine's handler of the scheme; asks `vaultRoot` for the root at each request.
class MarkdownEditorAssetHandler : public QWebEngineUrlSchemeHandler
{
    Q_OBJECT

public:
    explicit MarkdownEditorAssetHandler(std::function<QString()> vaultRoot,
                                        QObject* parent = nullptr);
    void requestStarted(QWebEngineUrlRequestJob* job) override;

private:
    std::function<QString()> m_vaultRoot;
};

// Whether the editor page may load `url`: its own files, vault files through the asset scheme,
// inline data. Nothing from the network: an image URL in a document must not tell a server that
// the document was opened.
bool editorPageMayLoad(const QUrl& url);

// Blocks every request of a page that editorPageMayLoad refuses.
class MarkdownEditorRequestFilter : public QWebEngineUrlRequestInterceptor
{
    Q_OBJECT

public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;
    void interceptRequest(QWebEngineUrlRequestInfo& info) override;
};
