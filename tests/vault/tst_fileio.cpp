#include "fileidentity.h"
#include "fileio.h"
#include "temporaryfiles.h"
#include "testvault.h"
#include "textfileupdate.h"

#include <QTest>

#include <sys/stat.h>

class FileIoTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void atomicWriteCreatesAndReplaces()
    {
        TestVault vault;
        const QString file = vault.path(QStringLiteral("a.md"));
        writeFileAtomically(file, QByteArray("first"));
        QCOMPARE(vault.read(QStringLiteral("a.md")), QByteArray("first"));
        QVERIFY(::chmod(QFile::encodeName(file).constData(), 0600) == 0);
        writeTextFileAtomically(file, QStringLiteral("第二\r\n"));
        QCOMPARE(vault.read(QStringLiteral("a.md")), QByteArray("\xe7\xac\xac\xe4\xba\x8c\r\n"));
        struct stat info
        {
        };
        QVERIFY(::stat(QFile::encodeName(file).constData(), &info) == 0);
        QCOMPARE(int(info.st_mode & 07777), 0600);
        QCOMPARE(vault.files(), QStringList{QStringLiteral("a.md")});
    }

    void identityChangesWithEveryRewrite()
    {
        TestVault vault;
        const QString file = vault.path(QStringLiteral("a.md"));
        QVERIFY(!fileIdentity(file));
        writeFileAtomically(file, QByteArray("same"));
        const auto first = fileIdentity(file);
        QVERIFY(first && first->size == 4);
        QCOMPARE(fileIdentity(file), first);
        // Same size, same second: only the replacement gives it away.
        writeFileAtomically(file, QByteArray("SAME"));
        QVERIFY(fileIdentity(file) != first);
    }

    // A read-modify-write never replaces a version it did not read: it reads again.
    void readModifyWriteKeepsAChangeMadeMeanwhile()
    {
        TestVault vault;
        vault.write(QStringLiteral("day.md"), QByteArray("title\n"));
        int calls = 0;
        const std::optional<QString> result = updateTextFile(
            vault.path(QStringLiteral("day.md")), [&](const std::optional<QString>& text) {
                if (++calls == 1) // another program appends while this change is being made
                    writeFileAtomically(vault.path(QStringLiteral("day.md")),
                                        QByteArray("title\noutside\n"));
                return std::optional<QString>(text.value_or(QString()) + QStringLiteral("memo\n"));
            });
        QCOMPARE(calls, 2);
        QCOMPARE(result, std::optional<QString>(QStringLiteral("title\noutside\nmemo\n")));
        QCOMPARE(vault.read(QStringLiteral("day.md")), QByteArray("title\noutside\nmemo\n"));
    }

    // A write killed before its file is in place leaves nothing: the staged file has no name
    // where the file system allows; elsewhere loading sweeps stale temporary names away.
    void interruptedWritesLeaveNothingBehind()
    {
        TestVault vault;
        {
            StagedFile staged(vault.path(QStringLiteral("a.md")), QByteArray("text"));
            QVERIFY(vault.files().isEmpty());
        }
        const QDateTime old = QDateTime::currentDateTime().addSecs(-120);
        for (const char* name : {"Notes/.a.md.larch-Ab3dE9", ".larch/.memo-index.json.larch-xY12z0",
                                 "Notes/.b.md.larch-fresh1", "Notes/.c.md.larch-notours",
                                 ".Trash/.d.md.larch-Ab3dE9"}) {
            vault.write(QString::fromLatin1(name), QByteArray("x"));
            if (!QByteArray(name).contains("fresh"))
                vault.setModified(QString::fromLatin1(name), old);
        }
        sweepStaleTemporaryFiles(vault.root());
        QCOMPARE(vault.files(), (QStringList{QStringLiteral(".Trash/.d.md.larch-Ab3dE9"),
                                             QStringLiteral("Notes/.b.md.larch-fresh1"),
                                             QStringLiteral("Notes/.c.md.larch-notours")}));
    }

    void failedWritesLeaveNoTrace_data()
    {
        QTest::addColumn<bool>("blockedByFile");
        QTest::newRow("disk full") << false;
        QTest::newRow("parent is a file") << true;
    }
    void failedWritesLeaveNoTrace()
    {
        QFETCH(bool, blockedByFile);
        TestVault vault;
        vault.write(QStringLiteral("Journal/a.md"), QByteArray("previous"));
        const QStringList before = vault.files();
        QString target = vault.path(QStringLiteral("Journal/a.md"));
        bool thrown = false;
        try {
            if (blockedByFile) {
                target = vault.path(QStringLiteral("Journal/a.md/b.md"));
                writeFileAtomically(target, QByteArray("new"));
            } else {
                const FileSizeLimit limit(4);
                writeFileAtomically(target, QByteArray("longer than four bytes"));
            }
        } catch (const FileError& error) {
            thrown = true;
            QCOMPARE(error.operation(), FileError::write);
            QCOMPARE(error.path(), target);
            QVERIFY(error.localizedDescription().contains(target));
        }
        QVERIFY(thrown);
        QCOMPARE(vault.read(QStringLiteral("Journal/a.md")), QByteArray("previous"));
        QCOMPARE(vault.files(), before);
    }

    void strictUtf8_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("valid");
        QTest::newRow("chinese") << QByteArray("\xe6\x97\xa5\xe8\xae\xb0") << true;
        QTest::newRow("byte-order mark kept") << QByteArray("\xef\xbb\xbfx") << true;
        QTest::newRow("latin-1") << QByteArray("caf\xe9") << false;
        QTest::newRow("truncated sequence") << QByteArray("\xe6\x97") << false;
        QTest::newRow("encoded surrogate") << QByteArray("\xed\xa0\x80") << false;
        QTest::newRow("overlong slash") << QByteArray("\xc0\xaf") << false;
    }
    void strictUtf8()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, valid);
        TestVault vault;
        vault.write(QStringLiteral("t.md"), bytes);
        const std::optional<QString> text = decodeUtf8Strict(bytes);
        QCOMPARE(text.has_value(), valid);
        if (valid) {
            QCOMPARE(text->toUtf8(), bytes);
            QCOMPARE(readTextFile(vault.path(QStringLiteral("t.md"))), *text);
        } else {
            QVERIFY_THROWS_EXCEPTION(FileError, readTextFile(vault.path(QStringLiteral("t.md"))));
        }
    }

    void readingFailures()
    {
        TestVault vault;
        QVERIFY_THROWS_EXCEPTION(FileError,
                                 readFileBytes(vault.path(QStringLiteral("missing.md"))));
        QVERIFY_THROWS_EXCEPTION(FileError, readFileBytes(vault.root()));
        QCOMPARE(fileModificationDate(vault.path(QStringLiteral("missing.md"))), distantPast());
    }

    void foldersAndMoves()
    {
        TestVault vault;
        createFolder(vault.path(QStringLiteral("a/b/c")));
        createFolder(vault.path(QStringLiteral("a/b/c"))); // existing is success
        QVERIFY(isDirectory(vault.path(QStringLiteral("a/b/c"))));
        vault.write(QStringLiteral("f"), QByteArray("x"));
        QVERIFY_THROWS_EXCEPTION(FileError, createFolder(vault.path(QStringLiteral("f"))));
        QVERIFY_THROWS_EXCEPTION(FileError, createFolder(vault.path(QStringLiteral("f/g"))));

        vault.write(QStringLiteral("g"), QByteArray("y"));
        QVERIFY_THROWS_EXCEPTION(
            FileError, moveItem(vault.path(QStringLiteral("f")), vault.path(QStringLiteral("g"))));
        QCOMPARE(vault.read(QStringLiteral("g")), QByteArray("y"));
        moveItem(vault.path(QStringLiteral("f")), vault.path(QStringLiteral("a/b/c/f")));
        QCOMPARE(vault.read(QStringLiteral("a/b/c/f")), QByteArray("x"));
        QVERIFY(!pathExists(vault.path(QStringLiteral("f"))));
        QVERIFY(isRegularFile(vault.path(QStringLiteral("a/b/c/f"))));
    }
};

QTEST_GUILESS_MAIN(FileIoTest)
#include "tst_fileio.moc"
