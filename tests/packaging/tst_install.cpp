// The program as `cmake --install` lays it out in a fresh prefix: every file a desktop expects,
// valid by the desktop's own tools, and the installed `larch` and application working from
// there, the application opening a folder given on its command line as the vault that `larch`
// then uses.
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString appId = QStringLiteral(LARCH_APP_ID);

struct Run
{
    int status = -1;
    QString out;
    QString err;
};

} // namespace

class InstallTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_prefix;
    QProcessEnvironment m_environment;

    QString installed(const QString& path) const { return m_prefix + QLatin1Char('/') + path; }

    Run run(const QString& program, const QStringList& arguments) const
    {
        QProcess process;
        process.setProcessEnvironment(m_environment);
        process.start(program, arguments);
        Run result;
        if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
            return result;
        result.status = process.exitCode();
        result.out = QString::fromUtf8(process.readAllStandardOutput());
        result.err = QString::fromUtf8(process.readAllStandardError());
        return result;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_prefix = m_dir.filePath(QStringLiteral("prefix"));
        // A home of its own: the installed programs' settings and caches land here.
        const QString home = m_dir.filePath(QStringLiteral("home"));
        m_environment = QProcessEnvironment::systemEnvironment();
        m_environment.insert(QStringLiteral("HOME"), home);
        for (const auto& [variable, folder] :
             {std::pair{"XDG_CONFIG_HOME", ".config"}, std::pair{"XDG_DATA_HOME", ".local/share"},
              std::pair{"XDG_CACHE_HOME", ".cache"}, std::pair{"XDG_STATE_HOME", ".local/state"},
              std::pair{"XDG_RUNTIME_DIR", "runtime"}}) {
            const QString path = home + QLatin1Char('/') + QLatin1String(folder);
            QVERIFY(QDir().mkpath(path));
            m_environment.insert(QLatin1String(variable), path);
        }
        QFile::setPermissions(m_environment.value(QStringLiteral("XDG_RUNTIME_DIR")),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                  QFileDevice::ExeOwner);
        m_environment.remove(QStringLiteral("LARCH_VAULT"));
        m_environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));

        const Run install = run(QStringLiteral(LARCH_CMAKE_COMMAND),
                                {QStringLiteral("--install"), QStringLiteral(LARCH_BUILD_DIR),
                                 QStringLiteral("--prefix"), m_prefix});
        QVERIFY2(install.status == 0, qPrintable(install.out + install.err));
    }

    void layout()
    {
        const QStringList expected{
            QStringLiteral("bin/larch-notes"),
            QStringLiteral("bin/larch"),
            QStringLiteral("share/larch-notes/editor-page/index.html"),
            QStringLiteral("share/larch-notes/editor-page/assets/app.js"),
            QStringLiteral("share/applications/%1.desktop").arg(appId),
            QStringLiteral("share/metainfo/%1.metainfo.xml").arg(appId),
            QStringLiteral("share/icons/hicolor/scalable/apps/%1.svg").arg(appId),
            QStringLiteral("share/man/man1/larch-notes.1.gz"),
            QStringLiteral("share/man/man1/larch.1.gz"),
            QStringLiteral("share/bash-completion/completions/larch"),
        };
        for (const QString& path : expected)
            QVERIFY2(QFileInfo(installed(path)).isFile(), qPrintable(path));
        QVERIFY(QFileInfo(installed(QStringLiteral("bin/larch-notes"))).isExecutable());
        // Programs in bin/, everything else in share/: no libraries, headers, tests or tools.
        QCOMPARE(QDir(m_prefix).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 (QStringList{QStringLiteral("bin"), QStringLiteral("share")}));
        QCOMPARE(QDir(installed(QStringLiteral("bin"))).entryList(QDir::Files),
                 (QStringList{QStringLiteral("larch"), QStringLiteral("larch-notes")}));
    }

    void validators_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("arguments");
        const QString man = QStringLiteral("share/man/man1/");
        QTest::newRow("desktop entry")
            << QStringLiteral("desktop-file-validate")
            << QStringList{QStringLiteral("share/applications/%1.desktop").arg(appId)};
        QTest::newRow("AppStream")
            << QStringLiteral("appstreamcli")
            << QStringList{QStringLiteral("validate"), QStringLiteral("--no-net"),
                           QStringLiteral("share/metainfo/%1.metainfo.xml").arg(appId)};
        // As lintian checks manual pages; warnings go to standard error.
        for (const QString& page :
             {QStringLiteral("larch.1.gz"), QStringLiteral("larch-notes.1.gz")})
            QTest::newRow(qPrintable(page)) << QStringLiteral("man")
                                            << QStringList{QStringLiteral("--warnings"),
                                                           QStringLiteral("-E"),
                                                           QStringLiteral("UTF-8"),
                                                           QStringLiteral("-l"),
                                                           QStringLiteral("-Tutf8"),
                                                           QStringLiteral("-Z"),
                                                           man + page};
    }

    void validators()
    {
        QFETCH(QString, program);
        QFETCH(QStringList, arguments);
        if (QStandardPaths::findExecutable(program).isEmpty())
            QSKIP("the validator is not installed");
        for (QString& argument : arguments)
            if (argument.startsWith(QLatin1String("share/")))
                argument = installed(argument);
        const Run check = run(program, arguments);
        QVERIFY2(check.status == 0, qPrintable(check.out + check.err));
        if (program == QLatin1String("man"))
            QVERIFY2(check.err.isEmpty(), qPrintable(check.err));
    }

    void installedProgramsShareTheVault()
    {
        const Run help = run(installed(QStringLiteral("bin/larch")), {QStringLiteral("--help")});
        QCOMPARE(help.status, 0);
        QVERIFY(help.out.startsWith(QStringLiteral("larch：")));

        // The application opens the folder given to it; once loaded, it is remembered.
        const QString vault = m_dir.filePath(QStringLiteral("我的笔记"));
        QVERIFY(QDir().mkpath(vault));
        const QString settings = m_environment.value(QStringLiteral("XDG_CONFIG_HOME")) +
                                 QStringLiteral("/larch-notes/larch-notes.conf");
        QProcess app;
        app.setProcessEnvironment(m_environment);
        app.start(installed(QStringLiteral("bin/larch-notes")), {vault});
        QVERIFY(app.waitForStarted());
        const auto remembered = [&] {
            QFile file(settings);
            return file.open(QIODevice::ReadOnly) && file.readAll().contains(vault.toUtf8());
        };
        QTRY_VERIFY2_WITH_TIMEOUT(remembered() || app.state() == QProcess::NotRunning,
                                  "the application did not remember the folder", 60000);
        const QString output = QString::fromUtf8(app.readAllStandardError());
        QVERIFY2(app.state() == QProcess::Running, qPrintable(output));
        QVERIFY(QFileInfo(vault + QStringLiteral("/Journal")).isDir());
        // Ending the session (SIGTERM) is an ordinary quit.
        app.terminate();
        QVERIFY(app.waitForFinished(30000));
        QCOMPARE(app.exitStatus(), QProcess::NormalExit);
        QCOMPARE(app.exitCode(), 0);

        // `larch` without --vault writes into the vault the application remembered.
        const Run add =
            run(installed(QStringLiteral("bin/larch")),
                {QStringLiteral("todo"), QStringLiteral("add"), QStringLiteral("买牛奶")});
        QVERIFY2(add.status == 0, qPrintable(add.err));
        bool found = false;
        for (QDirIterator it(vault + QStringLiteral("/Journal"), {QStringLiteral("*.md")},
                             QDir::Files, QDirIterator::Subdirectories);
             it.hasNext() && !found;) {
            QFile day(it.next());
            found = day.open(QIODevice::ReadOnly) && day.readAll().contains("买牛奶");
        }
        QVERIFY(found);
    }
};

QTEST_GUILESS_MAIN(InstallTest)
#include "tst_install.moc"
