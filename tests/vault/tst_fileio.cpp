#include "fileidentity.h"
#include "fileio.h"
#include "temporaryfiles.h"
#include "testvault.h"
#include "textfileupdate.h"

#include <QTest>

#include <sys/stat.h>

using namespace Qt::Literals::StringLiterals;

class FileIoTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Every rewrite is a new file: its identity changes even at the same size in the same second.
    void atomicWriteCreatesAndReplaces()
    {
        TestVault vault;
        const QString file = vault.path(u"a.md"_s);
        QVERIFY(!fileIdentity(file));
        writeFileAtomically(file, "first"_ba);
        QCOMPARE(vault.read(u"a.md"_s), "first"_ba);
        const auto first = fileIdentity(file);
        QVERIFY(first && first->size == 5);
        QCOMPARE(fileIdentity(file), first);
        writeFileAtomically(file, "FIRST"_ba);
        QVERIFY(fileIdentity(file) != first);
        QVERIFY(::chmod(QFile::encodeName(file).constData(), 0600) == 0);
        writeTextFileAtomically(file, u"第二\r\n"_s);
        QCOMPARE(vault.read(u"a.md"_s), "\xe7\xac\xac\xe4\xba\x8c\r\n"_ba);
        struct stat info
        {
        };
        QVERIFY(::stat(QFile::encodeName(file).constData(), &info) == 0);
        QCOMPARE(int(info.st_mode & 07777), 0600);
        QCOMPARE(vault.files(), QStringList{u"a.md"_s});
    }

    // A read-modify-write never replaces a version it did not read: it reads again.
    void readModifyWriteKeepsAChangeMadeMeanwhile()
    {
        TestVault vault;
        vault.write(u"day.md"_s, "title\n"_ba);
        int calls = 0;
        const std::optional<QString> result =
            updateTextFile(vault.path(u"day.md"_s), [&](const std::optional<QString>& text) {
                if (++calls == 1) // another program appends while this change is being made
                    writeFileAtomically(vault.path(u"day.md"_s), "title\noutside\n"_ba);
                return std::optional<QString>(text.value_or(QString()) + u"memo\n"_s);
            });
        QCOMPARE(calls, 2);
        QCOMPARE(result, std::optional<QString>(u"title\noutside\nmemo\n"_s));
        QCOMPARE(vault.read(u"day.md"_s), "title\noutside\nmemo\n"_ba);
    }

    // A write killed before its file is in place leaves nothing: the staged file has no name
    // where the file system allows; elsewhere loading sweeps stale temporary names away.
    void interruptedWritesLeaveNothingBehind()
    {
        TestVault vault;
        {
            StagedFile staged(vault.path(u"a.md"_s), "text"_ba);
            QVERIFY(vault.files().isEmpty());
        }
        const QDateTime old = QDateTime::currentDateTime().addSecs(-120);
        for (const char* name : {"Notes/.a.md.larch-Ab3dE9", ".larch/.memo-index.json.larch-xY12z0",
                                 "Notes/.b.md.larch-fresh1", "Notes/.c.md.larch-notours",
                                 ".Trash/.d.md.larch-Ab3dE9"}) {
            vault.write(QString::fromLatin1(name), "x"_ba);
            if (!QByteArray(name).contains("fresh"))
                vault.setModified(QString::fromLatin1(name), old);
        }
        sweepStaleTemporaryFiles(vault.root());
        QCOMPARE(vault.files(),
                 (QStringList{u".Trash/.d.md.larch-Ab3dE9"_s, u"Notes/.b.md.larch-fresh1"_s,
                              u"Notes/.c.md.larch-notours"_s}));
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
        vault.write(u"Journal/a.md"_s, "previous"_ba);
        const QStringList before = vault.files();
        QString target = vault.path(u"Journal/a.md"_s);
        bool thrown = false;
        try {
            if (blockedByFile) {
                target = vault.path(u"Journal/a.md/b.md"_s);
                writeFileAtomically(target, "new"_ba);
            } else {
                const FileSizeLimit limit(4);
                writeFileAtomically(target, "longer than four bytes"_ba);
            }
        } catch (const FileError& error) {
            thrown = true;
            QCOMPARE(error.operation(), FileError::write);
            QCOMPARE(error.path(), target);
            QVERIFY(error.localizedDescription().contains(target));
        }
        QVERIFY(thrown);
        QCOMPARE(vault.read(u"Journal/a.md"_s), "previous"_ba);
        QCOMPARE(vault.files(), before);
    }

    void strictUtf8_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("valid");
        QTest::newRow("chinese") << "\xe6\x97\xa5\xe8\xae\xb0"_ba << true;
        QTest::newRow("byte-order mark kept") << "\xef\xbb\xbfx"_ba << true;
        QTest::newRow("latin-1") << "caf\xe9"_ba << false;
        QTest::newRow("truncated sequence") << "\xe6\x97"_ba << false;
        QTest::newRow("encoded surrogate") << "\xed\xa0\x80"_ba << false;
        QTest::newRow("overlong slash") << "\xc0\xaf"_ba << false;
    }
    void strictUtf8()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, valid);
        TestVault vault;
        vault.write(u"t.md"_s, bytes);
        const std::optional<QString> text = decodeUtf8Strict(bytes);
        QCOMPARE(text.has_value(), valid);
        if (valid) {
            QCOMPARE(text->toUtf8(), bytes);
            QCOMPARE(readTextFile(vault.path(u"t.md"_s)), *text);
        } else {
            QVERIFY_THROWS_EXCEPTION(FileError, readTextFile(vault.path(u"t.md"_s)));
        }
    }

    void readingFailures()
    {
        TestVault vault;
        QVERIFY_THROWS_EXCEPTION(FileError, readFileBytes(vault.path(u"missing.md"_s)));
        QVERIFY_THROWS_EXCEPTION(FileError, readFileBytes(vault.root()));
        QCOMPARE(fileModificationDate(vault.path(u"missing.md"_s)), distantPast());
    }

    void foldersAndMoves()
    {
        TestVault vault;
        createFolder(vault.path(u"a/b/c"_s));
        createFolder(vault.path(u"a/b/c"_s)); // existing is success
        QVERIFY(isDirectory(vault.path(u"a/b/c"_s)));
        vault.write(u"f"_s, "x"_ba);
        QVERIFY_THROWS_EXCEPTION(FileError, createFolder(vault.path(u"f"_s)));
        QVERIFY_THROWS_EXCEPTION(FileError, createFolder(vault.path(u"f/g"_s)));

        vault.write(u"g"_s, "y"_ba);
        QVERIFY_THROWS_EXCEPTION(FileError, moveItem(vault.path(u"f"_s), vault.path(u"g"_s)));
        QCOMPARE(vault.read(u"g"_s), "y"_ba);
        moveItem(vault.path(u"f"_s), vault.path(u"a/b/c/f"_s));
        QCOMPARE(vault.read(u"a/b/c/f"_s), "x"_ba);
        QVERIFY(!pathExists(vault.path(u"f"_s)));
        QVERIFY(isRegularFile(vault.path(u"a/b/c/f"_s)));
    }
};

QTEST_GUILESS_MAIN(FileIoTest)
#include "tst_fileio.moc"
