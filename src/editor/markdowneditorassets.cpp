#include "markdowneditorassets.h"

#include "vaultpaths.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>

QByteArray markdownEditorAssetScheme()
{
    return QByteArrayLiteral("larch-asset");
}

void registerMarkdownEditorAssetScheme()
{
    QWebEngineUrlScheme scheme(markdownEditorAssetScheme());
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Path);
    // A page loaded from a file: base only loads images of a local scheme.
    scheme.setFlags(QWebEngineUrlScheme::LocalScheme | QWebEngineUrlScheme::SecureScheme |
                    QWebEngineUrlScheme::LocalAccessAllowed);
    QWebEngineUrlScheme::registerScheme(scheme);
}

QByteArray assetMimeType(const QString& fileName)
{
    const QString extension = QFileInfo(fileName).suffix().toLower();
    if (extension == QLatin1String("png"))
        return QByteArrayLiteral("image/png");
    if (extension == QLatin1String("jpg") || extension == QLatin1String("jpeg"))
        return QByteArrayLiteral("image/jpeg");
    if (extension == QLatin1String("gif"))
        return QByteArrayLiteral("image/gif");
    if (extension == QLatin1String("webp"))
        return QByteArrayLiteral("image/webp");
    if (extension == QLatin1String("heic") || extension == QLatin1String("heif"))
        return QByteArrayLiteral("image/heic");
    return QByteArrayLiteral("application/octet-stream");
}

AssetResponse resolveAssetRequest(const QString& vaultRoot, const QUrl& url)
{
    AssetResponse response;
    if (!url.isValid() || url.scheme() != QString::fromLatin1(markdownEditorAssetScheme())) {
        response.status = AssetResponse::Status::unsupportedURL;
        return response;
    }
    QString relative = percentDecoded(url.path(QUrl::FullyEncoded)).value_or(QString());
    while (relative.startsWith(QLatin1Char('/')))
        relative.remove(0, 1);
    while (relative.endsWith(QLatin1Char('/')))
        relative.chop(1);
    if (relative.isEmpty() || vaultRoot.isEmpty())
        return response;

    const QString root = QDir::cleanPath(vaultRoot);
    const QString rootPrefix = root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/');
    const QString filePath = QDir::cleanPath(rootPrefix + relative);
    if (!filePath.startsWith(rootPrefix))
        return response;

    // The textual check above does not see symbolic links; the real paths must agree with it.
    const QString realRoot = QFileInfo(root).canonicalFilePath();
    const QFileInfo file(filePath);
    const QString realFile = file.canonicalFilePath();
    if (realRoot.isEmpty() || realFile.isEmpty() || !QFileInfo(realFile).isFile())
        return response;
    const QString realPrefix =
        realRoot.endsWith(QLatin1Char('/')) ? realRoot : realRoot + QLatin1Char('/');
    if (!realFile.startsWith(realPrefix))
        return response;

    QFile input(realFile);
    if (!input.open(QIODevice::ReadOnly))
        return response;
    response.data = input.readAll();
    if (input.error() != QFileDevice::NoError)
        return AssetResponse();
    response.status = AssetResponse::Status::served;
    response.mimeType = assetMimeType(filePath);
    return response;
}

MarkdownEditorAssetHandler::MarkdownEditorAssetHandler(std::function<QString()> vaultRoot,
                                                       QObject* parent)
    : QWebEngineUrlSchemeHandler(parent), m_vaultRoot(std::move(vaultRoot))
{
}

void MarkdownEditorAssetHandler::requestStarted(QWebEngineUrlRequestJob* job)
{
    const AssetResponse response = resolveAssetRequest(m_vaultRoot(), job->requestUrl());
    switch (response.status) {
    case AssetResponse::Status::unsupportedURL:
        job->fail(QWebEngineUrlRequestJob::UrlInvalid);
        return;
    case AssetResponse::Status::fileDoesNotExist:
        job->fail(QWebEngineUrlRequestJob::UrlNotFound);
        return;
    case AssetResponse::Status::served:
        break;
    }
    // The engine reads the device on its own thread until the job ends.
    auto* buffer = new QBuffer;
    connect(job, &QObject::destroyed, buffer, &QObject::deleteLater);
    buffer->setData(response.data);
    buffer->open(QIODevice::ReadOnly);
    job->reply(response.mimeType, buffer);
}

bool editorPageMayLoad(const QUrl& url)
{
    static const QStringList local = {QString::fromLatin1(markdownEditorAssetScheme()),
                                      QStringLiteral("file"),
                                      QStringLiteral("data"),
                                      QStringLiteral("blob"),
                                      QStringLiteral("about"),
                                      QStringLiteral("qrc")};
    return local.contains(url.scheme().toLower());
}

void MarkdownEditorRequestFilter::interceptRequest(QWebEngineUrlRequestInfo& info)
{
    if (!editorPageMayLoad(info.requestUrl()))
        info.block(true);
}
