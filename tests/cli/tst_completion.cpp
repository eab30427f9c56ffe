// The bash completion made from the command table: it offers the table's commands and options,
// skips the values of options, and completes folders and files where an option names one.
#include "clidocs.h"
#include "clihelp.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

class CompletionTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_script;

    static QString quoted(const QString& word)
    {
        QString text = word;
        return QLatin1Char('\'') + text.replace(QLatin1Char('\''), QStringLiteral("'\\''")) +
               QLatin1Char('\'');
    }

    // What the script offers for `line` with the cursor at its end, sorted; a trailing space
    // starts a new, empty word.
    QStringList complete(const QString& line) const
    {
        const QStringList words = line.split(QLatin1Char(' '));
        QStringList quotedWords;
        for (const QString& word : words)
            quotedWords.append(quoted(word));
        const QString code = QStringLiteral("source %1; COMP_WORDS=(%2); COMP_CWORD=%3; _larch; "
                                            "printf '%s\\n' \"${COMPREPLY[@]}\"")
                                 .arg(quoted(m_script), quotedWords.join(QLatin1Char(' ')))
                                 .arg(words.size() - 1);
        QProcess bash;
        bash.start(QStringLiteral("bash"), {QStringLiteral("--norc"), QStringLiteral("-c"), code});
        if (!bash.waitForFinished(10000) || bash.exitCode() != 0)
            return {QStringLiteral("<bash failed: %1>")
                        .arg(QString::fromUtf8(bash.readAllStandardError()))};
        QStringList offered = QString::fromUtf8(bash.readAllStandardOutput())
                                  .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        offered.sort();
        return offered;
    }

    static QStringList sorted(QStringList list)
    {
        list.sort();
        return list;
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("bash")).isEmpty())
            QSKIP("bash is not installed");
        QVERIFY(m_dir.isValid());
        m_script = m_dir.filePath(QStringLiteral("larch"));
        QFile file(m_script);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bashCompletionScript().toUtf8());
    }

    void offersEveryCommandAndItsOptions()
    {
        QStringList firstWords{QStringLiteral("help")};
        for (const CommandGroup& group : commandGroups()) {
            for (const Command& command : group.commands) {
                const QString first = command.group.isEmpty() ? command.name : command.group;
                if (!firstWords.contains(first))
                    firstWords.append(first);
                QStringList options;
                for (const OptionSpec& option : commandOptions(command))
                    options.append(QStringLiteral("--") + option.name);
                QCOMPARE(complete(QStringLiteral("larch %1 --").arg(command.words())),
                         sorted(options));
                if (command.group.isEmpty())
                    continue;
                QStringList names;
                for (const Command& sibling : group.commands)
                    if (sibling.group == command.group)
                        names.append(sibling.name);
                QCOMPARE(complete(QStringLiteral("larch %1 ").arg(command.group)), sorted(names));
            }
        }
        QCOMPARE(complete(QStringLiteral("larch ")), sorted(firstWords));
        QCOMPARE(complete(QStringLiteral("larch me")), QStringList{QStringLiteral("memo")});

        // Options and their values before the command are skipped; a value is not guessed.
        QCOMPARE(complete(QStringLiteral("larch --vault /somewhere todo l")),
                 QStringList{QStringLiteral("list")});
        QCOMPARE(complete(QStringLiteral("larch memo list --day ")), QStringList());
        QCOMPARE(complete(QStringLiteral("larch memo add 文本 ")), QStringList());
    }

    void completesFoldersAndFiles()
    {
        const QString base = m_dir.filePath(QStringLiteral("pick"));
        QVERIFY(QDir().mkpath(base + QStringLiteral("/读书 笔记")));
        QFile image(base + QStringLiteral("/白板 1.png"));
        QVERIFY(image.open(QIODevice::WriteOnly));

        QCOMPARE(complete(QStringLiteral("larch --vault ") + base + QLatin1Char('/')),
                 QStringList{base + QStringLiteral("/读书 笔记")});
        QCOMPARE(
            complete(QStringLiteral("larch memo add 文本 --image ") + base + QLatin1Char('/')),
            sorted({base + QStringLiteral("/白板 1.png"), base + QStringLiteral("/读书 笔记")}));
    }
};

QTEST_GUILESS_MAIN(CompletionTest)
#include "tst_completion.moc"
