#include "testvault.h"
#include "vaultpaths.h"
#include "vaultrepository.h"

#include <QTest>

class PathsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void resolveVaultPath_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("expected"); // relative to the root; null = invalidPath
        QTest::newRow("root") << QString() << QString(QLatin1String(""));
        QTest::newRow("dot piece")
            << QStringLiteral("Notes/./Plan.md") << QStringLiteral("Notes/Plan.md");
        QTest::newRow("double slash") << QStringLiteral("a//b.md") << QStringLiteral("a/b.md");
        QTest::newRow("absolute") << QStringLiteral("/etc/hosts") << QString();
        QTest::newRow("climbs") << QStringLiteral("../x.md") << QString();
        QTest::newRow("climbs back in") << QStringLiteral("Notes/../Plan.md") << QString();
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
        QTest::newRow("trim and extension")
            << QStringLiteral("  Plan.md ") << QStringLiteral("Plan");
        QTest::newRow("upper-case extension")
            << QStringLiteral("Plan.MD") << QStringLiteral("Plan");
        QTest::newRow("one extension only") << QStringLiteral("a.md.md") << QStringLiteral("a.md");
        QTest::newRow("three dots") << QStringLiteral("...") << QStringLiteral("...");
        QTest::newRow("chinese") << QStringLiteral(" 周计划 ") << QStringLiteral("周计划");
        QTest::newRow("slash") << QStringLiteral("a/b") << QString();
        QTest::newRow("colon") << QStringLiteral("12:30") << QString();
        QTest::newRow("dot") << QStringLiteral(".") << QString();
        QTest::newRow("dot dot") << QStringLiteral("..") << QString();
        QTest::newRow("spaces") << QStringLiteral("   ") << QString();
        QTest::newRow("only extension") << QStringLiteral(".MD") << QString();
        // Line breaks and other control characters make links no one can follow or repair.
        for (const char16_t c : {u'\n', u'\r', u'\t', u'\x7f', u'\x85', u'\x2028', u'\x2029'})
            QTest::addRow("control U+%04X", unsigned(c))
                << QStringLiteral("a") + QChar(c) + QStringLiteral("b") << QString();
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
            << QStringLiteral("Journal/2024/05/2024-05-01.md") << QStringLiteral("Notes/My plan.md")
            << QStringLiteral("../../../Notes/My%20plan.md");
        QTest::newRow("parentheses")
            << QStringLiteral("Notes/a.md") << QStringLiteral("Notes/b (1).md")
            << QStringLiteral("b%20%281%29.md");
        QTest::newRow("from root") << QStringLiteral("a.md") << QStringLiteral("Notes/x.md")
                                   << QStringLiteral("Notes/x.md");
        QTest::newRow("itself") << QStringLiteral("Notes/a.md") << QStringLiteral("Notes/a.md")
                                << QStringLiteral("a.md");
        QTest::newRow("percent") << QStringLiteral("Notes/a.md") << QStringLiteral("100%.md")
                                 << QStringLiteral("../100%25.md");
        QTest::newRow("chinese stays")
            << QStringLiteral("a.md") << QStringLiteral("笔记/读书 笔记.md")
            << QStringLiteral("笔记/读书%20笔记.md");
        QTest::newRow("hash is no fragment")
            << QStringLiteral("a.md") << QStringLiteral("C# tips.md")
            << QStringLiteral("C%23%20tips.md");
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
        QTest::newRow("climbs out") << QStringLiteral("../../../../x.md")
                                    << QStringLiteral("Journal/2024/05/2024-05-01.md") << QString();
        QTest::newRow("dot") << QStringLiteral("./a.md") << QStringLiteral("a.md")
                             << QStringLiteral("a.md");
        QTest::newRow("malformed escape kept")
            << QStringLiteral("100%.md") << QStringLiteral("a.md") << QStringLiteral("100%.md");
        QTest::newRow("escaped utf-8")
            << QStringLiteral("%E7%AC%94.md") << QStringLiteral("a.md") << QStringLiteral("笔.md");
        QTest::newRow("raw percent beside an escape")
            << QStringLiteral("100%%20done.md") << QStringLiteral("a.md")
            << QStringLiteral("100% done.md");
        QTest::newRow("escape that is not UTF-8")
            << QStringLiteral("%FF.md") << QStringLiteral("a.md") << QStringLiteral("%FF.md");
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
        VaultRepository repository(vault.path(QStringLiteral("new/vault")));
        // A vault folder that is gone (an unmounted drive) is never made afresh.
        QVERIFY_THROWS_EXCEPTION(FileError, repository.prepareLayout());
        QVERIFY(!vault.exists(QStringLiteral("new")));
        QDir().mkpath(repository.rootPath());
        repository.prepareLayout();
        QStringList made = QDir(repository.rootPath())
                               .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        made.sort();
        QCOMPARE(made, QStringList({QStringLiteral("Attachments"), QStringLiteral("Journal"),
                                    QStringLiteral("Notes")}));
        repository.prepareLayout(); // a second run changes nothing and does not fail
        QVERIFY(repository.takeWarnings().isEmpty());
    }
};

QTEST_GUILESS_MAIN(PathsTest)
#include "tst_paths.moc"
