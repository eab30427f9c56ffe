#include "testvault.h"
#include "vaultpaths.h"
#include "vaultrepository.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

class PathsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void resolveVaultPath_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("expected"); // relative to the root; null = invalidPath
        QTest::newRow("root") << QString() << QString(""_L1);
        QTest::newRow("dot piece") << u"Notes/./Plan.md"_s << u"Notes/Plan.md"_s;
        QTest::newRow("double slash") << u"a//b.md"_s << u"a/b.md"_s;
        QTest::newRow("absolute") << u"/etc/hosts"_s << QString();
        QTest::newRow("climbs") << u"../x.md"_s << QString();
        QTest::newRow("climbs back in") << u"Notes/../Plan.md"_s << QString();
    }
    void resolveVaultPath()
    {
        QFETCH(QString, path);
        QFETCH(QString, expected);
        TestVault vault;
        VaultRepository repository(vault.root());
        if (expected.isNull()) {
            QVERIFY_VAULT_ERROR(repository.resolveVaultPath(path), VaultError::invalidPath);
            return;
        }
        const QString resolved = repository.resolveVaultPath(path);
        QCOMPARE(resolved, expected.isEmpty() ? vault.root() : vault.path(expected));
        QCOMPARE(repository.relativeVaultPath(resolved), expected);
    }

    void validatedName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected"); // null = invalidName
        QTest::newRow("trim and extension") << u"  Plan.md "_s << u"Plan"_s;
        QTest::newRow("upper-case extension") << u"Plan.MD"_s << u"Plan"_s;
        QTest::newRow("one extension only") << u"a.md.md"_s << u"a.md"_s;
        QTest::newRow("three dots") << u"..."_s << u"..."_s;
        QTest::newRow("chinese") << u" 周计划 "_s << u"周计划"_s;
        QTest::newRow("slash") << u"a/b"_s << QString();
        QTest::newRow("colon") << u"12:30"_s << QString();
        QTest::newRow("dot") << u"."_s << QString();
        QTest::newRow("dot dot") << u".."_s << QString();
        QTest::newRow("spaces") << u"   "_s << QString();
        QTest::newRow("only extension") << u".MD"_s << QString();
        // Line breaks and other control characters make links no one can follow or repair.
        for (const char16_t c : {u'\n', u'\r', u'\t', u'\x7f', u'\x85', u'\x2028', u'\x2029'})
            QTest::addRow("control U+%04X", unsigned(c)) << u"a"_s + QChar(c) + u"b"_s << QString();
    }
    void validatedName()
    {
        QFETCH(QString, name);
        QFETCH(QString, expected);
        if (expected.isNull())
            QVERIFY_VAULT_ERROR(::validatedName(name), VaultError::invalidName);
        else
            QCOMPARE(::validatedName(name), expected);
    }

    void relativeMarkdownLink_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("link");
        QTest::newRow("journal to notes")
            << u"Journal/2024/05/2024-05-01.md"_s << u"Notes/My plan.md"_s
            << u"../../../Notes/My%20plan.md"_s;
        QTest::newRow("parentheses")
            << u"Notes/a.md"_s << u"Notes/b (1).md"_s << u"b%20%281%29.md"_s;
        QTest::newRow("from root") << u"a.md"_s << u"Notes/x.md"_s << u"Notes/x.md"_s;
        QTest::newRow("itself") << u"Notes/a.md"_s << u"Notes/a.md"_s << u"a.md"_s;
        QTest::newRow("percent") << u"Notes/a.md"_s << u"100%.md"_s << u"../100%25.md"_s;
        QTest::newRow("chinese stays")
            << u"a.md"_s << u"笔记/读书 笔记.md"_s << u"笔记/读书%20笔记.md"_s;
        QTest::newRow("hash is no fragment") << u"a.md"_s << u"C# tips.md"_s << u"C%23%20tips.md"_s;
    }
    void relativeMarkdownLink()
    {
        QFETCH(QString, from);
        QFETCH(QString, target);
        QFETCH(QString, link);
        QCOMPARE(::relativeMarkdownLink(from, target), link);
        QCOMPARE(::resolveMarkdownLink(link, from), std::optional<QString>(target));
    }

    void resolveMarkdownLink_data()
    {
        QTest::addColumn<QString>("link");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("expected"); // null = leaves the vault
        QTest::newRow("climbs out")
            << u"../../../../x.md"_s << u"Journal/2024/05/2024-05-01.md"_s << QString();
        QTest::newRow("dot") << u"./a.md"_s << u"a.md"_s << u"a.md"_s;
        QTest::newRow("malformed escape kept") << u"100%.md"_s << u"a.md"_s << u"100%.md"_s;
        QTest::newRow("escaped utf-8") << u"%E7%AC%94.md"_s << u"a.md"_s << u"笔.md"_s;
        QTest::newRow("raw percent beside an escape")
            << u"100%%20done.md"_s << u"a.md"_s << u"100% done.md"_s;
        QTest::newRow("escape that is not UTF-8") << u"%FF.md"_s << u"a.md"_s << u"%FF.md"_s;
    }
    void resolveMarkdownLink()
    {
        QFETCH(QString, link);
        QFETCH(QString, from);
        QFETCH(QString, expected);
        const std::optional<QString> resolved = ::resolveMarkdownLink(link, from);
        if (expected.isNull())
            QVERIFY(!resolved);
        else
            QCOMPARE(resolved.value_or(QString()), expected);
    }

    void prepareLayout()
    {
        TestVault vault;
        VaultRepository repository(vault.path(u"new/vault"_s));
        // A vault folder that is gone (an unmounted drive) is never made afresh.
        QVERIFY_THROWS_EXCEPTION(FileError, repository.prepareLayout());
        QVERIFY(!vault.exists(u"new"_s));
        QDir().mkpath(repository.rootPath());
        repository.prepareLayout();
        QStringList made = QDir(repository.rootPath())
                               .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        made.sort();
        QCOMPARE(made, QStringList({u"Attachments"_s, u"Journal"_s, u"Notes"_s}));
        repository.prepareLayout(); // a second run changes nothing and does not fail
        QVERIFY(repository.takeWarnings().isEmpty());
    }
};

QTEST_GUILESS_MAIN(PathsTest)
#include "tst_paths.moc"
