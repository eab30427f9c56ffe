// Reading never needs writing: a vault that cannot be written, or that has a file where a folder
// of the layout belongs, is read as it is, and warnings say what could not be written.

#include "fileio.h"
#include "memoindex.h"
#include "testvault.h"
#include "vaultrepository.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

QString warningsText(const VaultRepository& repository)
{
    QStringList texts;
    for (const VaultWarning& warning : repository.takeWarnings())
        texts.append(warning.text);
    return texts.join('\n'_L1);
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
        const QString today = u"Journal/2024/05/2024-05-02.md"_s;
        // No Notes folder; yesterday left an unfinished todo (a roll-over is due); a memo of today
        // lost its anchor line (a repair is due).
        QDir(root).mkpath(u"Journal/2024/05"_s);
        writeFileAtomically(root + u"/Journal/2024/05/2024-05-01.md"_s,
                            "<a id=\"daily-todos\"></a>\n\n- [ ] carry\n");
        writeFileAtomically(root + '/'_L1 + today, "# 2024-05-02\n\n## 09:30\n\nstripped\n\n---\n");
        repository.saveMemoIndex(
            {MemoIndexEntry{u"memo-a"_s, QDateTime(QDate(2024, 5, 2), QTime(9, 30)), today,
                            memoContentDigest(u"stripped"_s), QString()}});
        if (!scratch->makeReadOnly())
            QSKIP("The scratch file system cannot be made read-only here.");
        const QMap<QString, QByteArray> before = fileContents(root);

        repository.prepareLayout();
        const QList<MemoRecord> memos = repository.loadMemos();
        QCOMPARE(memos.size(), 1);
        QCOMPARE(memos.first().id, u"memo-a"_s);
        const QList<DailyTodoItem> todos = repository.rollOverDailyTodos(now);
        QCOMPARE(todos.size(), 1);
        QCOMPARE(todos.first().text, u"carry"_s);
        QVERIFY(repository.loadSnapshot().notes.isEmpty());

        const QString warnings = warningsText(repository);
        for (const QString& expected : {u"/Notes"_s, u"/Attachments"_s, today, u"待办"_s})
            QVERIFY2(warnings.contains(expected), qPrintable(warnings));
        QCOMPARE(fileContents(root), before);
    }

    void fileWhereTheJournalFolderBelongs()
    {
        TestVault vault;
        const VaultRepository repository(vault.root());
        vault.write(u"Journal"_s, "not a folder"_ba);
        vault.write(u"Notes/a.md"_s, "# a\n"_ba);
        repository.prepareLayout();
        QVERIFY(warningsText(repository).contains(u"/Journal"_s));
        QCOMPARE(repository.loadSnapshot().notes.size(), 1);
        QCOMPARE(repository.loadDocument(u"Notes/a.md"_s).markdown, u"# a\n"_s);
        QVERIFY(repository.loadMemos().isEmpty());
        QVERIFY(warningsText(repository).isEmpty());
    }
};

QTEST_GUILESS_MAIN(ReadOnlyTest)
#include "tst_readonly.moc"
