#include "clitest.h"

#include <QJsonArray>
#include <QSettings>

using namespace Qt::Literals::StringLiterals;

namespace {

const QStringList listNotes{u"note"_s, u"list"_s, u"--json"_s};

} // namespace

// Which vault the program works on, and what it says when it has none or is used wrongly.
class VaultChoiceTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void optionThenEnvironmentThenTheApplicationsChoice()
    {
        CliVault byOption, byEnvironment, remembered;
        byOption.write(u"option.md"_s, "x"_ba);
        byEnvironment.write(u"environment.md"_s, "x"_ba);
        remembered.write(u"remembered.md"_s, "x"_ba);
        QTemporaryDir config;
        {
            QSettings settings(config.filePath(u"larch-notes/larch-notes.conf"_s),
                               QSettings::IniFormat);
            settings.setValue(u"larch-notes.vault-bookmark.v2"_s, remembered.root());
        }
        const QString configHome = u"XDG_CONFIG_HOME="_s + config.path();
        const QString environment = u"LARCH_VAULT="_s + byEnvironment.root();

        auto firstNote = [&](const QStringList& arguments, const QStringList& variables) {
            return byOption.run(arguments, {}, variables).json(u"notes/0/path"_s).toString();
        };
        QCOMPARE(firstNote(listNotes + QStringList{u"--vault"_s, byOption.root()},
                           {environment, configHome}),
                 u"option.md"_s);
        QCOMPARE(firstNote(listNotes, {environment, configHome}), u"environment.md"_s);
        QCOMPARE(firstNote(listNotes, {u"LARCH_VAULT="_s, configHome}), u"remembered.md"_s);
    }

    void withoutAVaultTheProgramSaysHowToChooseOne()
    {
        CliVault vault;
        QTemporaryDir config;
        const CliRun run =
            vault.run(listNotes, {}, {u"LARCH_VAULT="_s, u"XDG_CONFIG_HOME="_s + config.path()});
        QCOMPARE(run.status, 2);
        QVERIFY(run.errText().contains("--vault"_L1));
        QVERIFY(run.errText().contains("LARCH_VAULT"_L1));

        const CliRun missing =
            vault.run(listNotes + QStringList{u"--vault"_s, vault.path(u"gone"_s)});
        QCOMPARE(missing.status, 2);
        QVERIFY(!vault.exists(u"gone"_s));

        // The application's choice on a drive that is not connected is named, and kept.
        const QString settingsFile = config.filePath(u"larch-notes/larch-notes.conf"_s);
        QSettings(settingsFile, QSettings::IniFormat)
            .setValue(u"larch-notes.vault-bookmark.v2"_s, vault.path(u"gone"_s));
        const CliRun unmounted =
            vault.run(listNotes, {}, {u"LARCH_VAULT="_s, u"XDG_CONFIG_HOME="_s + config.path()});
        QCOMPARE(unmounted.status, 2);
        QVERIFY(unmounted.errText().contains(vault.path(u"gone"_s)));
        QVERIFY(!vault.exists(u"gone"_s));
        QVERIFY(QSettings(settingsFile, QSettings::IniFormat)
                    .contains(u"larch-notes.vault-bookmark.v2"_s));
    }

    void helpDocumentsEveryCommand()
    {
        CliVault vault;
        const CliRun help = vault.run({u"--help"_s});
        QCOMPARE(help.status, 0);
        const QStringList commands{u"memo add"_s,       u"memo list"_s,   u"memo show"_s,
                                   u"memo follow-up"_s, u"memo edit"_s,   u"memo delete"_s,
                                   u"memo promote"_s,   u"todo list"_s,   u"todo add"_s,
                                   u"todo done"_s,      u"todo remove"_s, u"note list"_s,
                                   u"note new"_s,       u"note show"_s,   u"note rename"_s,
                                   u"note trash"_s,     u"folder new"_s,  u"search"_s};
        for (const QString& command : commands) {
            QVERIFY2(help.outText().contains(u"\n  "_s + command + ' '_L1), qPrintable(command));
            const CliRun own = vault.run(command.split(' '_L1) << u"-h"_s);
            QCOMPARE(own.status, 0);
            QVERIFY(own.outText().startsWith(u"用法：larch "_s + command));
        }
        QVERIFY(vault.files().isEmpty()); // help touches no vault
    }

    void unusableCommandLines_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<QString>("error");
        QTest::newRow("nothing") << QString() << u"缺少命令。"_s;
        QTest::newRow("unknown command") << u"memos"_s << u"不认识的命令“memos”。"_s;
        QTest::newRow("unknown subcommand") << u"todo|undo|1"_s << u"不认识的命令“todo undo”。"_s;
        QTest::newRow("group alone") << u"note"_s << u"“note”后面缺少子命令。"_s;
        QTest::newRow("value missing") << u"memo|list|--day"_s << u"选项“--day”缺少值 日期。"_s;
        QTest::newRow("value for a flag") << u"todo|list|--json=yes"_s << u"选项“--json”不带值。"_s;
        QTest::newRow("json where nothing is listed")
            << u"memo|add|x|--json"_s << u"不认识的选项“--json”。"_s;
    }

    void unusableCommandLines()
    {
        QFETCH(QString, arguments);
        QFETCH(QString, error);
        CliVault vault;
        const CliRun run = vault.run(arguments.isEmpty() ? QStringList() : arguments.split('|'_L1));
        QCOMPARE(run.status, 2);
        QVERIFY2(run.errText().startsWith(error), qPrintable(run.errText()));
        QVERIFY(vault.files().isEmpty());
    }
};

QTEST_GUILESS_MAIN(VaultChoiceTest)
#include "tst_vaultchoice.moc"
