// Moves and new folders live in their folders' entries: those folders are flushed to disk, as
// the folder of a written file is. Watched from outside, in the running program.

#include "clitest.h"

#include <QTest>

class DurabilityTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void movesAndNewFoldersReachTheDisk_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QStringList>("flushed"); // folders, relative to the vault
        QTest::newRow("new folder with a new parent")
            << "folder|new|Er|--parent|Notes/Deep"
            << QStringList{QStringLiteral("Notes"), QStringLiteral("Notes/Deep")};
        QTest::newRow("rename") << "note|rename|Notes/a.md|b"
                                << QStringList{QStringLiteral("Notes")};
        QTest::newRow("trash") << "note|trash|Notes/a.md"
                               << QStringList{QString(), QStringLiteral(".Trash"),
                                              QStringLiteral("Notes")};
    }
    void movesAndNewFoldersReachTheDisk()
    {
        QFETCH(QString, command);
        QFETCH(QStringList, flushed);
        CliVault vault;
        vault.write(QStringLiteral("Notes/a.md"), QByteArray("# a\n"));
        QCOMPARE(vault.run(words(QStringLiteral("note|list"))).status, 0); // layout made
        QTemporaryDir logFolder;
        const QString log = logFolder.filePath(QStringLiteral("flushed"));
        const CliRun run = vault.run(words(command), {},
                                     {QStringLiteral("LD_PRELOAD=") + QStringLiteral(FSYNC_SPY),
                                      QStringLiteral("FSYNC_SPY_LOG=") + log});
        QCOMPARE(run.status, 0);
        QFile file(log);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString real = QFileInfo(vault.root()).canonicalFilePath();
        const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
        for (const QString& folder : flushed) {
            const QString path = folder.isEmpty() ? real : real + QLatin1Char('/') + folder;
            QVERIFY2(lines.contains(path), qPrintable(folder + QStringLiteral(" not flushed")));
        }
    }
};

QTEST_GUILESS_MAIN(DurabilityTest)
#include "tst_durability.moc"
