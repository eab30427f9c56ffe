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

using namespace Qt::Literals::StringLiterals;

class CompletionTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_script;

    static QString quoted(const QString& word)
    {
        QString text = word;
        return '\''_L1 + text.replace('\''_L1, u"'\\''"_s) + '\''_L1;
    }

    // What the script offers for `line` with the cursor at its end, sorted; a trailing space
    // starts a new, empty word.
    QStringList complete(const QString& line) const
    {
        const QStringList words = line.split(' '_L1);
        QStringList quotedWords;
        for (const QString& word : words)
            quotedWords.append(quoted(word));
        const QString code =
            u"source %1; COMP_WORDS=(%2); COMP_CWORD=%3; _larch; "
            "printf '%s\\n' \"${COMPREPLY[@]}\""_s.arg(quoted(m_script), quotedWords.join(' '_L1))
                .arg(words.size() - 1);
        QProcess bash;
        bash.start(u"bash"_s, {u"--norc"_s, u"-c"_s, code});
        if (!bash.waitForFinished(10000) || bash.exitCode() != 0)
            return {u"<bash failed: %1>"_s.arg(QString::fromUtf8(bash.readAllStandardError()))};
        QStringList offered =
            QString::fromUtf8(bash.readAllStandardOutput()).split('\n'_L1, Qt::SkipEmptyParts);
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
        if (QStandardPaths::findExecutable(u"bash"_s).isEmpty())
            QSKIP("bash is not installed");
        QVERIFY(m_dir.isValid());
        m_script = m_dir.filePath(u"larch"_s);
        QFile file(m_script);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bashCompletionScript().toUtf8());
    }

    void offersEveryCommandAndItsOptions()
    {
        QStringList firstWords{u"help"_s};
        for (const CommandGroup& group : commandGroups()) {
            for (const Command& command : group.commands) {
                const QString first = command.group.isEmpty() ? command.name : command.group;
                if (!firstWords.contains(first))
                    firstWords.append(first);
                QStringList options;
                for (const OptionSpec& option : commandOptions(command))
                    options.append(u"--"_s + option.name);
                QCOMPARE(complete(u"larch %1 --"_s.arg(command.words())), sorted(options));
                if (command.group.isEmpty())
                    continue;
                QStringList names;
                for (const Command& sibling : group.commands)
                    if (sibling.group == command.group)
                        names.append(sibling.name);
                QCOMPARE(complete(u"larch %1 "_s.arg(command.group)), sorted(names));
            }
        }
        QCOMPARE(complete(u"larch "_s), sorted(firstWords));
        QCOMPARE(complete(u"larch me"_s), QStringList{u"memo"_s});

        // Options and their values before the command are skipped; a value is not guessed.
        QCOMPARE(complete(u"larch --vault /somewhere todo l"_s), QStringList{u"list"_s});
        QCOMPARE(complete(u"larch memo list --day "_s), QStringList());
        QCOMPARE(complete(u"larch memo add 文本 "_s), QStringList());
    }

    void completesFoldersAndFiles()
    {
        const QString base = m_dir.filePath(u"pick"_s);
        QVERIFY(QDir().mkpath(base + u"/读书 笔记"_s));
        QFile image(base + u"/白板 1.png"_s);
        QVERIFY(image.open(QIODevice::WriteOnly));

        QCOMPARE(complete(u"larch --vault "_s + base + '/'_L1),
                 QStringList{base + u"/读书 笔记"_s});
        QCOMPARE(complete(u"larch memo add 文本 --image "_s + base + '/'_L1),
                 sorted({base + u"/白板 1.png"_s, base + u"/读书 笔记"_s}));
    }
};

QTEST_GUILESS_MAIN(CompletionTest)
#include "tst_completion.moc"
