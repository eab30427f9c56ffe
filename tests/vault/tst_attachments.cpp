#include "fileio.h"
#include "testvault.h"
#include "vaultrepository.h"

#include <QCryptographicHash>
#include <QTest>

class AttachmentsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void acceptedTypes_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("extension");
        QTest::newRow("png") << QStringLiteral("image/png") << QStringLiteral("png");
        QTest::newRow("upper jpeg") << QStringLiteral("IMAGE/JPEG") << QStringLiteral("jpg");
        QTest::newRow("jpg") << QStringLiteral("image/jpg") << QStringLiteral("jpg");
        QTest::newRow("gif") << QStringLiteral("image/gif") << QStringLiteral("gif");
        QTest::newRow("webp") << QStringLiteral("image/webp") << QStringLiteral("webp");
        QTest::newRow("heic") << QStringLiteral("image/heic") << QStringLiteral("heic");
        QTest::newRow("heif") << QStringLiteral("image/heif") << QStringLiteral("heic");
        QTest::newRow("parameters") << QStringLiteral("image/png; q=1") << QStringLiteral("png");
        QTest::newRow("empty run first") << QStringLiteral(";image/png") << QStringLiteral("png");
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
        QCOMPARE(stored.markdownPath,
                 QStringLiteral("/Attachments/image-") + digits + QLatin1Char('.') + extension);
        QCOMPARE(vault.read(stored.markdownPath.mid(1)), bytes);
        QCOMPARE(vault.files(), QStringList{stored.markdownPath.mid(1)});
    }

    void rejectedTypesTouchNothing_data()
    {
        QTest::addColumn<QString>("type");
        QTest::newRow("svg") << QStringLiteral("image/svg+xml");
        QTest::newRow("pdf") << QStringLiteral("application/pdf");
        QTest::newRow("empty") << QString();
        QTest::newRow("only separators") << QStringLiteral(";;");
        QTest::newRow("leading space") << QStringLiteral(" image/png");
    }
    void rejectedTypesTouchNothing()
    {
        QFETCH(QString, type);
        TestVault vault;
        QVERIFY_VAULT_ERROR(
            VaultRepository(vault.root()).storeImageAttachment(QByteArray("bytes"), type),
            VaultError::unsupportedAttachment);
        QVERIFY(vault.files().isEmpty());
        QVERIFY(!vault.exists(QStringLiteral("Attachments")));
    }

    void sameImageIsWrittenOnce()
    {
        TestVault vault;
        const VaultRepository repository(vault.root());
        const QByteArray bytes(1000, 'x');
        const StoredAttachment first =
            repository.storeImageAttachment(bytes, QStringLiteral("image/png"));
        const QString file = first.markdownPath.mid(1);
        const QDateTime earlier = QDateTime::currentDateTime().addSecs(-3600);
        vault.setModified(file, earlier);

        QCOMPARE(repository.storeImageAttachment(bytes, QStringLiteral("image/png")), first);
        QCOMPARE(fileModificationDate(vault.path(file)).toSecsSinceEpoch(),
                 earlier.toSecsSinceEpoch());

        // Another declared type gives another file; other bytes another name.
        const StoredAttachment jpeg =
            repository.storeImageAttachment(bytes, QStringLiteral("image/jpeg"));
        QCOMPARE(jpeg.markdownPath.chopped(3), first.markdownPath.chopped(3));
        QVERIFY(jpeg.markdownPath.endsWith(QLatin1String(".jpg")));
        const StoredAttachment other =
            repository.storeImageAttachment(QByteArray(1000, 'y'), QStringLiteral("image/png"));
        QVERIFY(other.markdownPath != first.markdownPath);
        QCOMPARE(vault.files().size(), 3);
    }
};

QTEST_GUILESS_MAIN(AttachmentsTest)
#include "tst_attachments.moc"
