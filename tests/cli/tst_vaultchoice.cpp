#include "clitest.h"

#include <QJsonArray>
#include <QSettings>

namespace {

const QStringList listNotes{QStringLiteral("note"), QStringLiteral("list"),
                            QStringLiteral("--json")};

} // namespace

// Which vault the program works on, and what it says when it has none or is used wrongly.
class VaultChoiceTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void optionThenEnvironmentThenTheApplicationsChoice()
    {
        CliVault byOption, byEnvironment, remembered;
        byOption.write(QStringLiteral("option.md"), QByteArray("x"));
        byEnvironment.write(QStringLiteral("environment.md"), QByteArray("x"));
        remembered.write(QStringLiteral("remembered.md"), QByteArray("x"));
        QTemporaryDir config;
        {
            QSettings settings(config.filePath(QStringLiteral("larch-notes/larch-notes.conf")),
                               QSettings::IniFormat);
            settings.setValue(QStringLiteral("larch-notes.vault-bookmark.v2"), remembered.root());
        }
        const QString configHome = QStringLiteral("XDG_CONFIG_HOME=") + config.path();
        const QString environment = QStringLiteral("LARCH_VAULT=") + byEnvironment.root();

        auto firstNote = [&](const QStringList& arguments, const QStringList& variables) {
            const CliRun run = byOption.run(arguments, {}, variables);
            return run.json()
                .value(QLatin1String("notes"))
                .toArray()
                .at(0)
                .toObject()
                .value(QLatin1String("path"))
                .toString();
        };
        QCOMPARE(firstNote(listNotes + QStringList{QStringLiteral("--vault"), byOption.root()},
                           {environment, configHome}),
                 QStringLiteral("option.md"));
        QCOMPARE(firstNote(listNotes, {environment, configHome}), QStringLiteral("environment.md"));
        QCOMPARE(firstNote(listNotes, {QStringLiteral("LARCH_VAULT="), configHome}),
                 QStringLiteral("remembered.md"));
    }

    void withoutAVaultTheProgramSaysHowToChooseOne()
    {
        CliVault vault;
        QTemporaryDir config;
        const CliRun run = vault.run(
            listNotes, {},
            {QStringLiteral("LARCH_VAULT="), QStringLiteral("XDG_CONFIG_HOME=") + config.path()});
        QCOMPARE(run.status, 2);
        QVERIFY(run.errText().contains(QLatin1String("--vault")));
        QVERIFY(run.errText().contains(QLatin1String("LARCH_VAULT")));

        const CliRun missing = vault.run(
            listNotes + QStringList{QStringLiteral("--vault"), vault.path(QStringLiteral("gone"))});
        QCOMPARE(missing.status, 2);
        QVERIFY(!vault.exists(QStringLiteral("gone")));

        // The application's choice on a drive that is not connected is named, and kept.
        const QString settingsFile =
            config.filePath(QStringLiteral("larch-notes/larch-notes.conf"));
        QSettings(settingsFile, QSettings::IniFormat)
            .setValue(QStringLiteral("larch-notes.vault-bookmark.v2"),
                      vault.path(QStringLiteral("gone")));
        const CliRun unmounted = vault.run(
            listNotes, {},
            {QStringLiteral("LARCH_VAULT="), QStringLiteral("XDG_CONFIG_HOME=") + config.path()});
        QCOMPARE(unmounted.status, 2);
        QVERIFY(unmounted.errText().contains(vault.path(QStringLiteral("gone"))));
        QVERIFY(!vault.exists(QStringLiteral("gone")));
        QVERIFY(QSettings(settingsFile, QSettings::IniFormat)
                    .contains(QStringLiteral("larch-notes.vault-bookmark.v2")));
    }

    void helpDocumentsEveryCommand()
    {
        CliVault vault;
        const CliRun help = vault.run({QStringLiteral("--help")});
        QCOMPARE(help.status, 0);
        const QStringList commands{QStringLiteral("memo add"),     QStringLiteral("memo list"),
                                   QStringLiteral("memo show"),    QStringLiteral("memo follow-up"),
                                   QStringLiteral("memo edit"),    QStringLiteral("memo delete"),
                                   QStringLiteral("memo promote"), QStringLiteral("todo list"),
                                   QStringLiteral("todo add"),     QStringLiteral("todo done"),
                                   QStringLiteral("todo remove"),  QStringLiteral("note list"),
                                   QStringLiteral("note new"),     QStringLiteral("note show"),
                                   QStringLiteral("note rename"),  QStringLiteral("note trash"),
                                   QStringLiteral("folder new"),   QStringLiteral("search")};
        for (const QString& command : commands) {
            QVERIFY2(help.outText().contains(QStringLiteral("\n  ") + command + QLatin1Char(' ')),
                     qPrintable(command));
            const CliRun own = vault.run(command.split(QLatin1Char(' ')) << QStringLiteral("-h"));
            QCOMPARE(own.status, 0);
            QVERIFY(own.outText().startsWith(QStringLiteral("用法：larch ") + command));
        }
        QVERIFY(vault.files().isEmpty()); // help touches no vault
    }

    void unusableCommandLines_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<QString>("error");
        QTest::newRow("nothing") << QString() << QStringLiteral("缺少命令。");
        QTest::newRow("unknown command")
            << QStringLiteral("memos") << QStringLiteral("不认识的命令“memos”。");
        QTest::newRow("unknown subcommand")
            << QStringLiteral("todo|undo|1") << QStringLiteral("不认识的命令“todo undo”。");
        QTest::newRow("group alone")
            << QStringLiteral("note") << QStringLiteral("“note”后面缺少子命令。");
        QTest::newRow("value missing")
            << QStringLiteral("memo|list|--day") << QStringLiteral("选项“--day”缺少值 日期。");
        QTest::newRow("value for a flag")
            << QStringLiteral("todo|list|--json=yes") << QStringLiteral("选项“--json”不带值。");
        QTest::newRow("json where nothing is listed")
            << QStringLiteral("memo|add|x|--json") << QStringLiteral("不认识的选项“--json”。");
    }

    void unusableCommandLines()
    {
        QFETCH(QString, arguments);
        QFETCH(QString, error);
        CliVault vault;
        const CliRun run =
            vault.run(arguments.isEmpty() ? QStringList() : arguments.split(QLatin1Char('|')));
        QCOMPARE(run.status, 2);
        QVERIFY2(run.errText().startsWith(error), qPrintable(run.errText()));
        QVERIFY(vault.files().isEmpty());
    }
};

QTEST_GUILESS_MAIN(VaultChoiceTest)
#include "tst_vaultchoice.moc"
