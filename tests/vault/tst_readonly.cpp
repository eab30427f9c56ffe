// Reading never needs writing: a vault that cannot be written, or that has a file where a folder
// of the layout belongs, is read as it is, and warnings say what could not be written.

#include "fileio.h"
#include "memoindex.h"
#include "testvault.h"
#include "vaultrepository.h"

#include <QDirIterator>
#include <QTest>

namespace {

QMap<QString, QByteArray> contents(const QString& root)
{
    QMap<QString, QByteArray> files;
    for (QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
         it.hasNext();) {
        const QString file = it.next();
        files.insert(file, readFileBytes(file));
    }
    return files;
}

QString warningsText(const VaultRepository& repository)
{
    QStringList texts;
    for (const VaultWarning& warning : repository.takeWarnings())
        texts.append(warning.text);
    return texts.join(QLatin1Char('\n'));
}

} // namespace

class ReadOnlyTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readOnlyVaultIsReadFromMemory()
    {
        const std::unique_ptr<ScratchFileSystem> scratch = ScratchFileSystem::mount(1 << 20);
        if (!scratch)
            QSKIP("This test needs to mount a read-only file system (root in a system that "
                  "allows mounts).");
        const QString root = scratch->root();
        const VaultRepository repository(root);
        const QDateTime now(QDate(2024, 5, 2), QTime(10, 0));
        const QString today = QStringLiteral("Journal/2024/05/2024-05-02.md");
        // No Notes folder; yesterday left an unfinished todo (a roll-over is due); a memo of today
        // lost its anchor line (a repair is due).
        QDir(root).mkpath(QStringLiteral("Journal/2024/05"));
        writeFileAtomically(root + QStringLiteral("/Journal/2024/05/2024-05-01.md"),
                            "<a id=\"daily-todos\"></a>\n\n- [ ] carry\n");
        writeFileAtomically(root + QLatin1Char('/') + today,
                            "# 2024-05-02\n\n## 09:30\n\nstripped\n\n---\n");
        repository.saveMemoIndex(
            {MemoIndexEntry{QStringLiteral("memo-a"), QDateTime(QDate(2024, 5, 2), QTime(9, 30)),
                            today, memoContentDigest(QStringLiteral("stripped")), QString()}});
        if (!scratch->makeReadOnly())
            QSKIP("The scratch file system cannot be made read-only here.");
        const QMap<QString, QByteArray> before = contents(root);

        repository.prepareLayout();
        const QList<MemoRecord> memos = repository.loadMemos();
        QCOMPARE(memos.size(), 1);
        QCOMPARE(memos.first().id, QStringLiteral("memo-a"));
        const QList<DailyTodoItem> todos = repository.rollOverDailyTodos(now);
        QCOMPARE(todos.size(), 1);
        QCOMPARE(todos.first().text, QStringLiteral("carry"));
        QVERIFY(repository.loadSnapshot().notes.isEmpty());

        const QString warnings = warningsText(repository);
        for (const QString& expected : {QStringLiteral("/Notes"), QStringLiteral("/Attachments"),
                                        today, QStringLiteral("待办")})
            QVERIFY2(warnings.contains(expected), qPrintable(warnings));
        QCOMPARE(contents(root), before);
    }

    void fileWhereTheJournalFolderBelongs()
    {
        TestVault vault;
        const VaultRepository repository(vault.root());
        vault.write(QStringLiteral("Journal"), QByteArray("not a folder"));
        vault.write(QStringLiteral("Notes/a.md"), QByteArray("# a\n"));
        repository.prepareLayout();
        QVERIFY(warningsText(repository).contains(QStringLiteral("/Journal")));
        QCOMPARE(repository.loadSnapshot().notes.size(), 1);
        QCOMPARE(repository.loadDocument(QStringLiteral("Notes/a.md")).markdown,
                 QStringLiteral("# a\n"));
        QVERIFY(repository.loadMemos().isEmpty());
        QVERIFY(warningsText(repository).isEmpty());
    }
};

QTEST_GUILESS_MAIN(ReadOnlyTest)
#include "tst_readonly.moc"
