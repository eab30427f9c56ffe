// The program as `cmake --install` lays it out in a fresh prefix: every file a desktop expects,
// valid by the desktop's own tools, and the installed application opening a folder given on its
// command line as the vault that the installed `larch` then uses.
#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

class InstallTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_prefix = m_dir.filePath(QStringLiteral("prefix"));
    QProcessEnvironment m_environment = QProcessEnvironment::systemEnvironment();

    QString installed(const QString& path) const { return m_prefix + QLatin1Char('/') + path; }

    // Exit status (-1 when it did not end normally) and everything it wrote.
    std::pair<int, QString> run(const QString& program, const QStringList& arguments) const
    {
        QProcess process;
        process.setProcessEnvironment(m_environment);
        process.start(program, arguments);
        const bool ended = process.waitForFinished(120000);
        const QString output =
            QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError());
        return {ended && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                output};
    }

private Q_SLOTS:
    void initTestCase()
    {
        // A home of its own: the installed programs' settings and caches land there.
        const QString home = m_dir.filePath(QStringLiteral("home"));
        m_environment.insert(QStringLiteral("HOME"), home);
        for (const char* variable : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME",
                                     "XDG_STATE_HOME", "XDG_RUNTIME_DIR"}) {
            const QString folder = home + QLatin1Char('/') + QLatin1String(variable);
            QVERIFY(QDir().mkpath(folder));
            m_environment.insert(QLatin1String(variable), folder);
        }
        m_environment.remove(QStringLiteral("LARCH_VAULT"));
        m_environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));

        const auto [status, output] =
            run(QStringLiteral(LARCH_CMAKE_COMMAND),
                {QStringLiteral("--install"), QStringLiteral(LARCH_BUILD_DIR),
                 QStringLiteral("--prefix"), m_prefix});
        QVERIFY2(status == 0, qPrintable(output));
    }

    void layout()
    {
        const QString id = QStringLiteral(LARCH_APP_ID);
        for (const QString& path :
             {QStringLiteral("share/larch-notes/editor-page/index.html"),
              QStringLiteral("share/larch-notes/editor-page/assets/app.js"),
              QStringLiteral("share/applications/%1.desktop").arg(id),
              QStringLiteral("share/metainfo/%1.metainfo.xml").arg(id),
              QStringLiteral("share/icons/hicolor/scalable/apps/%1.svg").arg(id),
              QStringLiteral("share/man/man1/larch-notes.1.gz"),
              QStringLiteral("share/man/man1/larch.1.gz"),
              QStringLiteral("share/bash-completion/completions/larch")})
            QVERIFY2(QFileInfo(installed(path)).isFile(), qPrintable(path));
        // Programs in bin/, everything else in share/: no libraries, headers, tests or tools.
        QCOMPARE(QDir(m_prefix).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 (QStringList{QStringLiteral("bin"), QStringLiteral("share")}));
        QCOMPARE(QDir(installed(QStringLiteral("bin"))).entryList(QDir::Executable | QDir::Files),
                 (QStringList{QStringLiteral("larch"), QStringLiteral("larch-notes")}));
    }

    void validators_data()
    {
        QTest::addColumn<QStringList>("command"); // the last argument is the installed file
        const QString id = QStringLiteral(LARCH_APP_ID);
        QTest::newRow("desktop entry")
            << QStringList{QStringLiteral("desktop-file-validate"),
                           QStringLiteral("share/applications/") + id + QStringLiteral(".desktop")};
        QTest::newRow("AppStream") << QStringList{
            QStringLiteral("appstreamcli"), QStringLiteral("validate"), QStringLiteral("--no-net"),
            QStringLiteral("share/metainfo/") + id + QStringLiteral(".metainfo.xml")};
        // As lintian checks manual pages: troff's warnings count as failures.
        for (const char* page : {"larch.1.gz", "larch-notes.1.gz"})
            QTest::newRow(page) << QStringList{
                QStringLiteral("man"), QStringLiteral("--warnings"),
                QStringLiteral("-E"),  QStringLiteral("UTF-8"),
                QStringLiteral("-l"),  QStringLiteral("-Tutf8"),
                QStringLiteral("-Z"),  QStringLiteral("share/man/man1/") + QLatin1String(page)};
    }

    void validators()
    {
        QFETCH(QStringList, command);
        if (QStandardPaths::findExecutable(command.first()).isEmpty())
            QSKIP("the validator is not installed");
        command.last() = installed(command.last());
        QProcess check;
        check.start(command.first(), command.mid(1));
        QVERIFY(check.waitForFinished(60000));
        const QByteArray errors = check.readAllStandardError();
        QVERIFY2(check.exitCode() == 0, check.readAllStandardOutput() + errors);
        if (command.first() == QLatin1String("man"))
            QVERIFY2(errors.isEmpty(), errors.constData());
    }

    void installedProgramsShareTheVault()
    {
        const auto [helpStatus, help] =
            run(installed(QStringLiteral("bin/larch")), {QStringLiteral("--help")});
        QCOMPARE(helpStatus, 0);
        QVERIFY(help.startsWith(QStringLiteral("larch：")));

        // The application opens the folder given to it; once loaded, it is remembered.
        const QString vault = m_dir.filePath(QStringLiteral("我的笔记"));
        QVERIFY(QDir().mkpath(vault));
        QProcess app;
        app.setProcessEnvironment(m_environment);
        app.start(installed(QStringLiteral("bin/larch-notes")), {vault});
        QFile settings(m_environment.value(QStringLiteral("XDG_CONFIG_HOME")) +
                       QStringLiteral("/larch-notes/larch-notes.conf"));
        const auto remembered = [&] {
            const bool found =
                settings.open(QIODevice::ReadOnly) && settings.readAll().contains(vault.toUtf8());
            settings.close();
            return found;
        };
        QTRY_VERIFY_WITH_TIMEOUT(remembered() || app.state() == QProcess::NotRunning, 60000);
        QVERIFY2(app.state() == QProcess::Running, app.readAllStandardError().constData());
        QVERIFY(QFileInfo(vault + QStringLiteral("/Journal")).isDir());
        // The desktop session ending (SIGTERM) is an ordinary quit.
        app.terminate();
        QVERIFY(app.waitForFinished(30000));
        QCOMPARE(app.exitStatus(), QProcess::NormalExit);
        QCOMPARE(app.exitCode(), 0);

        // `larch` without --vault writes into the vault the application remembered.
        const auto [status, output] =
            run(installed(QStringLiteral("bin/larch")),
                {QStringLiteral("todo"), QStringLiteral("add"), QStringLiteral("买牛奶")});
        QVERIFY2(status == 0, qPrintable(output));
        QDirIterator days(vault + QStringLiteral("/Journal"), {QStringLiteral("*.md")}, QDir::Files,
                          QDirIterator::Subdirectories);
        QFile day(days.next());
        QVERIFY(day.open(QIODevice::ReadOnly));
        QVERIFY(day.readAll().contains("买牛奶"));
    }
};

QTEST_GUILESS_MAIN(InstallTest)
#include "tst_install.moc"
