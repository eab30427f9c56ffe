// The "larch-asset" scheme: which requests are served from the vault, with which MIME type, and
// which are refused (outside the vault, the root, folders, missing files, links leading out).

#include "markdowneditorassets.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

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
    }

    void requests_data()
    {
        QTest::addColumn<QString>("root"); // relative to the temporary folder
        QTest::addColumn<QString>("url");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("mimeType");
        QTest::addColumn<QByteArray>("data");
        const int served = int(AssetResponse::Status::served);
        const int missing = int(AssetResponse::Status::fileDoesNotExist);
        const int unsupported = int(AssetResponse::Status::unsupportedURL);
        const QString vault = QStringLiteral("vault");

        QTest::newRow("escaped space")
            << vault << QStringLiteral("larch-asset:///Attachments/a%20b.png") << served
            << QByteArray("image/png") << QByteArray("png bytes");
        QTest::newRow("upper-case extension")
            << vault << QStringLiteral("larch-asset:///Attachments/A.JPG") << served
            << QByteArray("image/jpeg") << QByteArray("jpg");
        QTest::newRow("heif") << vault << QStringLiteral("larch-asset:///Attachments/x.heif")
                              << served << QByteArray("image/heic") << QByteArray("heif");
        QTest::newRow("mixed-case webp")
            << vault << QStringLiteral("larch-asset:///Attachments/x.WebP") << served
            << QByteArray("image/webp") << QByteArray("webp");
        QTest::newRow("no extension")
            << vault << QStringLiteral("larch-asset:///Attachments/README") << served
            << QByteArray("application/octet-stream") << QByteArray("plain");
        QTest::newRow("escaped chinese")
            << vault << QStringLiteral("larch-asset:///Attachments/%E5%9B%BE%20%E7%89%87.gif")
            << served << QByteArray("image/gif") << QByteArray("gif");
        QTest::newRow("escaped percent")
            << vault << QStringLiteral("larch-asset:///Attachments/%2541.png") << served
            << QByteArray("image/png") << QByteArray("percent");
        QTest::newRow("host and query ignored")
            << vault << QStringLiteral("larch-asset://vault/Attachments/A.JPG?size=2#x") << served
            << QByteArray("image/jpeg") << QByteArray("jpg");
        QTest::newRow("slashes trimmed")
            << vault << QStringLiteral("larch-asset:////Attachments/README/") << served
            << QByteArray("application/octet-stream") << QByteArray("plain");
        QTest::newRow("link inside the vault")
            << vault << QStringLiteral("larch-asset:///Attachments/alias.png") << served
            << QByteArray("image/png") << QByteArray("png bytes");
        QTest::newRow("vault through a link")
            << QStringLiteral("vault-link") << QStringLiteral("larch-asset:///Attachments/README")
            << served << QByteArray("application/octet-stream") << QByteArray("plain");
        QTest::newRow("dot segments inside")
            << vault << QStringLiteral("larch-asset:///Journal/../Attachments/./README") << served
            << QByteArray("application/octet-stream") << QByteArray("plain");

        QTest::newRow("climbs out") << vault << QStringLiteral("larch-asset:///../outside.png")
                                    << missing << QByteArray() << QByteArray();
        QTest::newRow("climbs out escaped")
            << vault << QStringLiteral("larch-asset:///Attachments/%2E%2E/%2E%2E/outside.png")
            << missing << QByteArray() << QByteArray();
        QTest::newRow("climbs to a sibling prefix")
            << vault << QStringLiteral("larch-asset:///../vault-link/Attachments/README") << missing
            << QByteArray() << QByteArray();
        QTest::newRow("empty path")
            << vault << QStringLiteral("larch-asset:") << missing << QByteArray() << QByteArray();
        QTest::newRow("root") << vault << QStringLiteral("larch-asset:///") << missing
                              << QByteArray() << QByteArray();
        QTest::newRow("root by dots") << vault << QStringLiteral("larch-asset:///Attachments/..")
                                      << missing << QByteArray() << QByteArray();
        QTest::newRow("folder") << vault << QStringLiteral("larch-asset:///Attachments") << missing
                                << QByteArray() << QByteArray();
        QTest::newRow("missing file")
            << vault << QStringLiteral("larch-asset:///Attachments/none.png") << missing
            << QByteArray() << QByteArray();
        QTest::newRow("undecodable escape")
            << vault << QStringLiteral("larch-asset:///Attachments/a%ZZ.png") << missing
            << QByteArray() << QByteArray();
        QTest::newRow("file linked out")
            << vault << QStringLiteral("larch-asset:///Attachments/out.png") << missing
            << QByteArray() << QByteArray();
        QTest::newRow("folder linked out") << vault << QStringLiteral("larch-asset:///Linked/x.png")
                                           << missing << QByteArray() << QByteArray();
        QTest::newRow("no vault") << QString()
                                  << QStringLiteral("larch-asset:///Attachments/README") << missing
                                  << QByteArray() << QByteArray();

        QTest::newRow("other scheme") << vault << QStringLiteral("file:///etc/hosts") << unsupported
                                      << QByteArray() << QByteArray();
        QTest::newRow("no URL") << vault << QString() << unsupported << QByteArray()
                                << QByteArray();
    }
    void requests()
    {
        QFETCH(QString, root);
        QFETCH(QString, url);
        QFETCH(int, status);
        QFETCH(QByteArray, mimeType);
        QFETCH(QByteArray, data);
        const QString vaultRoot = root.isEmpty() ? QString() : m_dir.filePath(root);
        const AssetResponse response = resolveAssetRequest(vaultRoot, QUrl(url));
        QCOMPARE(int(response.status), status);
        QCOMPARE(response.mimeType, mimeType);
        QCOMPARE(response.data, data);
    }

    void rootIsStandardised()
    {
        const QString root = m_dir.filePath(QStringLiteral("vault/Attachments/../"));
        const AssetResponse response =
            resolveAssetRequest(root, QUrl(QStringLiteral("larch-asset:///Attachments/README")));
        QCOMPARE(response.status, AssetResponse::Status::served);
    }

    void mimeTable_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("mimeType");
        QTest::newRow("png") << QStringLiteral("a.png") << QByteArray("image/png");
        QTest::newRow("jpg") << QStringLiteral("a.jpg") << QByteArray("image/jpeg");
        QTest::newRow("JPEG") << QStringLiteral("a.JPEG") << QByteArray("image/jpeg");
        QTest::newRow("gif") << QStringLiteral("a.gif") << QByteArray("image/gif");
        QTest::newRow("webp") << QStringLiteral("a.webp") << QByteArray("image/webp");
        QTest::newRow("heic") << QStringLiteral("a.HEIC") << QByteArray("image/heic");
        QTest::newRow("heif") << QStringLiteral("a.heif") << QByteArray("image/heic");
        QTest::newRow("svg") << QStringLiteral("a.svg") << QByteArray("application/octet-stream");
        QTest::newRow("double") << QStringLiteral("a.png.txt")
                                << QByteArray("application/octet-stream");
        QTest::newRow("none") << QStringLiteral("Makefile")
                              << QByteArray("application/octet-stream");
    }
    void mimeTable()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, mimeType);
        QCOMPARE(assetMimeType(name), mimeType);
    }

private:
    QTemporaryDir m_dir;
    QString m_vault;
};

QTEST_GUILESS_MAIN(AssetsTest)
#include "tst_assets.moc"
