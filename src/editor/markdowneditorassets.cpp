#include "markdowneditorassets.h"

#include "filedescriptor.h"
#include "vaultpaths.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>

#include <cerrno>
#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

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

namespace {

// Opens `relative` below the open folder `root` without ever leaving it: symbolic links that
// stay inside are followed, any that lead out (or are absolute) make the open fail. Where the
// kernel cannot resolve beneath a folder, no link is followed at all. A FIFO does not block.
int openBeneath(int root, const QString& relative)
{
    const QByteArray path = QFile::encodeName(relative);
    open_how how{};
    how.flags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY;
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_MAGICLINKS;
    const long fd = ::syscall(SYS_openat2, root, path.constData(), &how, sizeof how);
    if (fd >= 0 || errno != ENOSYS)
        return int(fd);
    const QList<QByteArray> pieces = path.split('/');
    FileDescriptor folder(::fcntl(root, F_DUPFD_CLOEXEC, 0));
    for (qsizetype i = 0; i + 1 < pieces.size() && folder.get() >= 0; ++i)
        folder.reset(::openat(folder.get(), pieces.at(i).constData(),
                              O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (folder.get() < 0)
        return -1;
    return ::openat(folder.get(), pieces.last().constData(),
                    O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
}

// The path of what a descriptor has open, links resolved; empty when it cannot be told.
QString openedPath(int fd)
{
    return QFileInfo(QStringLiteral("/proc/self/fd/") + QString::number(fd)).symLinkTarget();
}

// The application's own folder: its files are none of a document's business.
bool isPrivate(const QString& relative)
{
    return relative == QLatin1String(".larch") || relative.startsWith(QLatin1String(".larch/"));
}

} // namespace

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
    const QString inside = filePath.mid(rootPrefix.size());
    if (isPrivate(inside))
        return response;

    // Opened first, then checked: a check of the names followed by an open by name would let a
    // link swapped in between lead anywhere.
    const FileDescriptor rootFolder(
        ::open(QFile::encodeName(root).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (rootFolder.get() < 0)
        return response;
    const FileDescriptor file(openBeneath(rootFolder.get(), inside));
    struct stat info
    {
    };
    if (file.get() < 0 || ::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return response;
    // What was opened must lie inside the vault and outside its private folder, also when a link
    // inside the vault led there.
    const QString realRoot = openedPath(rootFolder.get());
    const QString realFile = openedPath(file.get());
    if (realRoot.isEmpty() || realFile.isEmpty())
        return response;
    const QString realPrefix =
        realRoot.endsWith(QLatin1Char('/')) ? realRoot : realRoot + QLatin1Char('/');
    if (!realFile.startsWith(realPrefix) || isPrivate(realFile.mid(realPrefix.size())))
        return response;

    QFile input;
    if (!input.open(file.get(), QIODevice::ReadOnly, QFileDevice::DontCloseHandle))
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
