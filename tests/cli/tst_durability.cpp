// Moves and new folders live in their folders' entries: those folders are flushed to disk, as
// the folder of a written file is. Watched from outside, in the running program.

#include "clitest.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

class DurabilityTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void movesAndNewFoldersReachTheDisk_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QStringList>("flushed"); // folders, relative to the vault
        QTest::newRow("new folder with a new parent")
            << "folder|new|Er|--parent|Notes/Deep" << QStringList{u"Notes"_s, u"Notes/Deep"_s};
        QTest::newRow("rename") << "note|rename|Notes/a.md|b" << QStringList{u"Notes"_s};
        QTest::newRow("trash") << "note|trash|Notes/a.md"
                               << QStringList{QString(), u".Trash"_s, u"Notes"_s};
    }
    void movesAndNewFoldersReachTheDisk()
    {
        QFETCH(QString, command);
        QFETCH(QStringList, flushed);
        CliVault vault;
        vault.write(u"Notes/a.md"_s, "# a\n"_ba);
        QCOMPARE(vault.run(words(u"note|list"_s)).status, 0); // layout made
        QTemporaryDir logFolder;
        const QString log = logFolder.filePath(u"flushed"_s);
        const CliRun run =
            vault.run(words(command), {},
                      {u"LD_PRELOAD="_s + QStringLiteral(FSYNC_SPY), u"FSYNC_SPY_LOG="_s + log});
        QCOMPARE(run.status, 0);
        QFile file(log);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString real = QFileInfo(vault.root()).canonicalFilePath();
        const QStringList lines = QString::fromUtf8(file.readAll()).split('\n'_L1);
        for (const QString& folder : flushed) {
            const QString path = folder.isEmpty() ? real : real + '/'_L1 + folder;
            QVERIFY2(lines.contains(path), qPrintable(folder + u" not flushed"_s));
        }
    }
};

QTEST_GUILESS_MAIN(DurabilityTest)
#include "tst_durability.moc"
