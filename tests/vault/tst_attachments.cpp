#include "fileio.h"
#include "testvault.h"
#include "vaultrepository.h"

#include <QCryptographicHash>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

class AttachmentsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void acceptedTypes_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("extension");
        QTest::newRow("png") << u"image/png"_s << u"png"_s;
        QTest::newRow("upper jpeg") << u"IMAGE/JPEG"_s << u"jpg"_s;
        QTest::newRow("jpg") << u"image/jpg"_s << u"jpg"_s;
        QTest::newRow("gif") << u"image/gif"_s << u"gif"_s;
        QTest::newRow("webp") << u"image/webp"_s << u"webp"_s;
        QTest::newRow("heic") << u"image/heic"_s << u"heic"_s;
        QTest::newRow("heif") << u"image/heif"_s << u"heic"_s;
        QTest::newRow("parameters") << u"image/png; q=1"_s << u"png"_s;
        QTest::newRow("empty run first") << u";image/png"_s << u"png"_s;
    }
    void acceptedTypes()
    {
        QFETCH(QString, type);
        QFETCH(QString, extension);
        TestVault vault;
        const QByteArray bytes("\x89PNG fake image bytes");
        const StoredAttachment stored =
            VaultRepository(vault.root()).storeImageAttachment(bytes, type);
        const QString digits = QString::fromLatin1(
            QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).left(12).toHex());
        QCOMPARE(stored.markdownPath, u"/Attachments/image-"_s + digits + '.'_L1 + extension);
        QCOMPARE(vault.read(stored.markdownPath.mid(1)), bytes);
        QCOMPARE(vault.files(), QStringList{stored.markdownPath.mid(1)});
    }

    void rejectedTypesTouchNothing_data()
    {
        QTest::addColumn<QString>("type");
        QTest::newRow("svg") << u"image/svg+xml"_s;
        QTest::newRow("pdf") << u"application/pdf"_s;
        QTest::newRow("empty") << QString();
        QTest::newRow("only separators") << u";;"_s;
        QTest::newRow("leading space") << u" image/png"_s;
    }
    void rejectedTypesTouchNothing()
    {
        QFETCH(QString, type);
        TestVault vault;
        QVERIFY_VAULT_ERROR(VaultRepository(vault.root()).storeImageAttachment("bytes"_ba, type),
                            VaultError::unsupportedAttachment);
        QVERIFY(vault.files().isEmpty());
        QVERIFY(!vault.exists(u"Attachments"_s));
    }

    void sameImageIsWrittenOnce()
    {
        TestVault vault;
        const VaultRepository repository(vault.root());
        const QByteArray bytes(1000, 'x');
        const StoredAttachment first = repository.storeImageAttachment(bytes, u"image/png"_s);
        const QString file = first.markdownPath.mid(1);
        const QDateTime earlier = QDateTime::currentDateTime().addSecs(-3600);
        vault.setModified(file, earlier);

        QCOMPARE(repository.storeImageAttachment(bytes, u"image/png"_s), first);
        QCOMPARE(fileModificationDate(vault.path(file)).toSecsSinceEpoch(),
                 earlier.toSecsSinceEpoch());

        // Another declared type gives another file; other bytes another name.
        const StoredAttachment jpeg = repository.storeImageAttachment(bytes, u"image/jpeg"_s);
        QCOMPARE(jpeg.markdownPath.chopped(3), first.markdownPath.chopped(3));
        QVERIFY(jpeg.markdownPath.endsWith(".jpg"_L1));
        const StoredAttachment other =
            repository.storeImageAttachment(QByteArray(1000, 'y'), u"image/png"_s);
        QVERIFY(other.markdownPath != first.markdownPath);
        QCOMPARE(vault.files().size(), 3);
    }
};

QTEST_GUILESS_MAIN(AttachmentsTest)
#include "tst_attachments.moc"
