// The application's command line: --help and --version, a folder to open as the vault, and that
// folder becoming the remembered vault only once it has loaded.
#include "apptestsupport.h"
#include "launchoptions.h"
#include "librarypreferences.h"

#include <QRegularExpression>

class LaunchTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    static QStringList commandLine(const QStringList& arguments)
    {
        return QStringList{QStringLiteral("larch-notes")} + arguments;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(QDir().mkpath(m_dir.filePath(QStringLiteral("vault"))));
        QVERIFY(QDir().mkpath(m_dir.filePath(QStringLiteral("-odd"))));
        Sandbox::write(m_dir.filePath(QStringLiteral("note.md")), "# 笔记\n");
    }

    void helpAndVersion()
    {
        const auto information = [](const QStringList& arguments) {
            return launchInformation(commandLine(arguments)).value_or(QStringLiteral("<none>"));
        };
        QVERIFY(information({QStringLiteral("vault"), QStringLiteral("-h")})
                    .startsWith(QStringLiteral("用法：")));
        QVERIFY(QRegularExpression(QStringLiteral("^larch-notes \\d+\\.\\d+\\.\\d+\\n$"))
                    .match(information({QStringLiteral("--version")}))
                    .hasMatch());
        // After "--", and among Chromium's arguments, they are not ours.
        QCOMPARE(information({QStringLiteral("--"), QStringLiteral("--help")}),
                 QStringLiteral("<none>"));
        QCOMPARE(information({QStringLiteral("--webEngineArgs"), QStringLiteral("-v")}),
                 QStringLiteral("<none>"));
    }

    void folderArgument_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("vault"); // relative to the test folder; empty: none
        QTest::addColumn<bool>("problem");
        QTest::addColumn<bool>("usageError");
        const QString vault = QStringLiteral("vault");
        QTest::newRow("none") << QStringList() << QString() << false << false;
        QTest::newRow("relative") << QStringList{vault} << vault << false << false;
        QTest::newRow("absolute, untidy")
            << QStringList{m_dir.filePath(QStringLiteral("./vault/"))} << vault << false << false;
        QTest::newRow("file URL")
            << QStringList{QUrl::fromLocalFile(m_dir.filePath(vault)).toString()} << vault << false
            << false;
        QTest::newRow("after --") << QStringList{QStringLiteral("--"), QStringLiteral("-odd")}
                                  << QStringLiteral("-odd") << false << false;
        QTest::newRow("Chromium's arguments")
            << QStringList{vault, QStringLiteral("--webEngineArgs"), QStringLiteral("--x")} << vault
            << false << false;
        QTest::newRow("missing") << QStringList{QStringLiteral("nowhere")} << QString() << true
                                 << false;
        QTest::newRow("a file") << QStringList{QStringLiteral("note.md")} << QString() << true
                                << false;
        QTest::newRow("unknown option")
            << QStringList{QStringLiteral("--fast")} << QString() << false << true;
        QTest::newRow("two folders") << QStringList{vault, vault} << QString() << false << true;
    }

    void folderArgument()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, vault);
        QFETCH(bool, problem);
        QFETCH(bool, usageError);
        const LaunchOptions options = parseLaunchOptions(commandLine(arguments), m_dir.path());
        QCOMPARE(options.vaultFolder, vault.isEmpty() ? QString() : m_dir.filePath(vault));
        QCOMPARE(!options.folderProblem.isEmpty(), problem);
        QCOMPARE(!options.usageError.isEmpty(), usageError);
    }

    void folderIsRememberedOnceItLoads()
    {
        Sandbox sandbox;
        QSettings& settings = *sandbox.settings();
        const QString key = LibraryPreferences::vaultBookmarkKey();
        LibraryPreferences::storeVault(settings, sandbox.vault());
        // The folder is not there yet (a drive not yet connected): the first load fails.
        const QString folder = sandbox.path(QStringLiteral("other"));

        LaunchOptions options;
        options.vaultFolder = folder;
        const auto library = makeLibraryController(&settings, options);
        QCOMPARE(library->rootPath(), folder);
        library->load();
        QTRY_COMPARE(library->loadPhase(), LibraryController::LoadPhase::Failed);
        QCOMPARE(settings.value(key).toString(), sandbox.vault());

        // "重试" once the folder is there: now it is the vault of the next start.
        QVERIFY(QDir().mkpath(folder));
        library->load();
        QTRY_COMPARE(library->loadPhase(), LibraryController::LoadPhase::Ready);
        QCOMPARE(settings.value(key).toString(), folder);
        QCOMPARE(makeLibraryController(&settings, {})->rootPath(), folder);
    }
};

QTEST_GUILESS_MAIN(LaunchTest)
#include "tst_launch.moc"
