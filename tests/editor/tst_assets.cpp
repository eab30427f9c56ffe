// The "larch-asset" scheme: which requests are served from the vault, with which MIME type, and
// which are refused (outside the vault, the root, folders, missing files, links leading out).

#include "markdowneditorassets.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

void link(const QString& target, const QString& path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QCOMPARE(::symlink(QFile::encodeName(target).constData(), QFile::encodeName(path).constData()),
             0);
}

} // namespace

class AssetsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        // <tmp>/vault is the vault; <tmp>/outside.png and <tmp>/secret/ lie beside it.
        m_vault = m_dir.filePath(QStringLiteral("vault"));
        writeFile(m_vault + QStringLiteral("/Attachments/a b.png"), "png bytes");
        writeFile(m_vault + QStringLiteral("/Attachments/A.JPG"), "jpg");
        writeFile(m_vault + QStringLiteral("/Attachments/x.heif"), "heif");
        writeFile(m_vault + QStringLiteral("/Attachments/x.WebP"), "webp");
        writeFile(m_vault + QStringLiteral("/Attachments/README"), "plain");
        writeFile(m_vault + QStringLiteral("/Attachments/图 片.gif"), "gif");
        writeFile(m_vault + QStringLiteral("/Attachments/%41.png"), "percent");
        writeFile(m_dir.filePath(QStringLiteral("outside.png")), "secret");
        writeFile(m_dir.filePath(QStringLiteral("secret/x.png")), "secret");
        link(m_dir.filePath(QStringLiteral("outside.png")),
             m_vault + QStringLiteral("/Attachments/out.png"));
        link(m_dir.filePath(QStringLiteral("secret")), m_vault + QStringLiteral("/Linked"));
        link(QStringLiteral("a b.png"), m_vault + QStringLiteral("/Attachments/alias.png"));
        // A vault reached through a link of its own still serves its files.
        link(m_vault, m_dir.filePath(QStringLiteral("vault-link")));
        // The application's own files are no document's business, by any way of asking.
        writeFile(m_vault + QStringLiteral("/.larch/memo-index.json"), "[]");
        link(QStringLiteral("../.larch/memo-index.json"),
             m_vault + QStringLiteral("/Attachments/index.png"));
        // A pipe would block a reader that opened it by name.
        QCOMPARE(
            ::mkfifo(
                QFile::encodeName(m_vault + QStringLiteral("/Attachments/pipe.png")).constData(),
                0644),
            0);
    }

    void requests_data()
    {
        QTest::addColumn<QString>("root"); // relative to the temporary folder
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("expected"); // "MIME type|content", "missing" or "unsupported"
        const auto row = [](const char* name, const char* root, const char* url,
                            const char* expected) {
            QTest::newRow(name) << QString::fromUtf8(root) << QString::fromUtf8(url)
                                << QString::fromUtf8(expected);
        };
        // clang-format off
        row("escaped space", "vault", "larch-asset:///Attachments/a%20b.png", "image/png|png bytes");
        row("upper-case extension", "vault", "larch-asset:///Attachments/A.JPG", "image/jpeg|jpg");
        row("heif", "vault", "larch-asset:///Attachments/x.heif", "image/heic|heif");
        row("mixed-case webp", "vault", "larch-asset:///Attachments/x.WebP", "image/webp|webp");
        row("no extension", "vault", "larch-asset:///Attachments/README", "application/octet-stream|plain");
        row("escaped chinese", "vault", "larch-asset:///Attachments/%E5%9B%BE%20%E7%89%87.gif", "image/gif|gif");
        row("decoded once", "vault", "larch-asset:///Attachments/%2541.png", "image/png|percent");
        row("host and query ignored", "vault", "larch-asset://vault/Attachments/A.JPG?size=2#x", "image/jpeg|jpg");
        row("slashes trimmed", "vault", "larch-asset:////Attachments/README/", "application/octet-stream|plain");
        row("dot segments inside", "vault", "larch-asset:///Journal/../Attachments/./README", "application/octet-stream|plain");
        row("root with dots", "vault/Attachments/..", "larch-asset:///Attachments/README", "application/octet-stream|plain");
        row("link inside the vault", "vault", "larch-asset:///Attachments/alias.png", "image/png|png bytes");
        row("vault through a link", "vault-link", "larch-asset:///Attachments/README", "application/octet-stream|plain");

        row("climbs out", "vault", "larch-asset:///../outside.png", "missing");
        row("climbs out escaped", "vault", "larch-asset:///Attachments/%2E%2E/%2E%2E/outside.png", "missing");
        row("sibling with the same prefix", "vault", "larch-asset:///../vault-link/Attachments/README", "missing");
        row("empty path", "vault", "larch-asset:", "missing");
        row("root", "vault", "larch-asset:///", "missing");
        row("root by dots", "vault", "larch-asset:///Attachments/..", "missing");
        row("folder", "vault", "larch-asset:///Attachments", "missing");
        row("missing file", "vault", "larch-asset:///Attachments/none.png", "missing");
        row("undecodable escape", "vault", "larch-asset:///Attachments/a%ZZ.png", "missing");
        row("file linked out", "vault", "larch-asset:///Attachments/out.png", "missing");
        row("folder linked out", "vault", "larch-asset:///Linked/x.png", "missing");
        row("no vault", "", "larch-asset:///Attachments/README", "missing");
        row("private folder", "vault", "larch-asset:///.larch/memo-index.json", "missing");
        row("private folder by dots", "vault", "larch-asset:///Notes/../.larch/memo-index.json", "missing");
        row("link into the private folder", "vault", "larch-asset:///Attachments/index.png", "missing");
        row("pipe", "vault", "larch-asset:///Attachments/pipe.png", "missing");
        row("other scheme", "vault", "file:///etc/hosts", "unsupported");
        row("no URL", "vault", "", "unsupported");
        // clang-format on
    }
    void requests()
    {
        QFETCH(QString, root);
        QFETCH(QString, url);
        QFETCH(QString, expected);
        const AssetResponse response =
            resolveAssetRequest(root.isEmpty() ? QString() : m_dir.filePath(root), QUrl(url));
        if (expected == QLatin1String("missing")) {
            QCOMPARE(response.status, AssetResponse::Status::fileDoesNotExist);
        } else if (expected == QLatin1String("unsupported")) {
            QCOMPARE(response.status, AssetResponse::Status::unsupportedURL);
        } else {
            QCOMPARE(response.status, AssetResponse::Status::served);
            QCOMPARE(QString::fromUtf8(response.mimeType + '|' + response.data), expected);
        }
    }

    // The page never reaches the network: a request would tell a server the document was open.
    void pageStaysOffTheNetwork()
    {
        for (const char* url : {"larch-asset:///Attachments/a.png", "file:///dist/assets/app.css",
                                "data:image/png;base64,AAAA", "about:blank"})
            QVERIFY2(editorPageMayLoad(QUrl(QString::fromUtf8(url))), url);
        for (const char* url : {"http://127.0.0.1:8080/a.png", "HTTPS://example.com/a.png",
                                "ws://example.com/", "ftp://example.com/a.png"})
            QVERIFY2(!editorPageMayLoad(QUrl(QString::fromUtf8(url))), url);
    }

private:
    QTemporaryDir m_dir;
    QString m_vault;
};

QTEST_GUILESS_MAIN(AssetsTest)
#include "tst_assets.moc"
