// Several programs writing one vault at once: two running `larch` in loops (as the application
// and a launcher would), and an outside program appending to today's day file. Nothing any of
// them wrote may be lost.

#include "clitest.h"
#include "memoindex.h"
#include "vaultrepository.h"

#include <QJsonArray>
#include <QSet>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

class ConcurrencyTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void concurrentWritersLoseNothing()
    {
        constexpr int rounds = 30;
        constexpr int outsideLines = 120;
        CliVault vault;
        const QString today = dayFilePath(QDateTime::currentDateTime());
        vault.write(today, "# today\n\n"_ba);

        const auto start = [&](QProcess& process, const QString& script,
                               const QStringList& variables) {
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(u"LARCH_VAULT"_s, vault.root());
            environment.insert(u"LARCH"_s, QStringLiteral(LARCH_PROGRAM));
            environment.insert(u"DAY"_s, vault.path(today));
            environment.insert(u"ROUNDS"_s, QString::number(rounds));
            environment.insert(u"LINES"_s, QString::number(outsideLines));
            for (const QString& variable : variables)
                environment.insert(variable.section('='_L1, 0, 0), variable.section('='_L1, 1));
            process.setProcessEnvironment(environment);
            process.start(u"/bin/sh"_s, {u"-c"_s, script});
            QVERIFY(process.waitForStarted());
        };
        const QString writer =
            u"for i in $(seq $ROUNDS); do \"$LARCH\" $KIND add \"$TAG $KIND $i\" >/dev/null"
            " || exit 1; done"_s;
        const QString appender =
            u"for i in $(seq $LINES); do echo \"outside line $i\" >> \"$DAY\"; sleep 0.02; done"_s;
        QProcess first, second, todos, outside;
        start(first, writer, {u"TAG=a"_s, u"KIND=memo"_s});
        start(second, writer, {u"TAG=b"_s, u"KIND=memo"_s});
        start(todos, writer, {u"TAG=c"_s, u"KIND=todo"_s});
        start(outside, appender, {});
        for (QProcess* process : {&first, &second, &todos, &outside}) {
            QVERIFY(process->waitForFinished(120000));
            QCOMPARE(process->exitCode(), 0);
        }

        // Read before anything repairs it: the index holds every memo, and no other.
        QSet<QString> indexed;
        for (const MemoIndexEntry& entry : VaultRepository(vault.root()).loadMemoIndex())
            indexed.insert(entry.id);

        QSet<QString> memoTexts;
        QSet<QString> ids;
        for (const QJsonValue& memo :
             vault.run(words(u"memo|list|--json"_s)).json(u"memos"_s).toArray()) {
            // Lines appended after a memo's block read as part of it: the memo starts with its
            // text.
            memoTexts.insert(
                memo.toObject().value("markdown"_L1).toString().section('\n'_L1, 0, 0));
            ids.insert(memo.toObject().value("id"_L1).toString());
        }
        QSet<QString> todoTexts;
        for (const QJsonValue& todo :
             vault.run(words(u"todo|list|--json"_s)).json(u"todos"_s).toArray())
            todoTexts.insert(todo.toObject().value("text"_L1).toString());
        for (int i = 1; i <= rounds; ++i) {
            QVERIFY(memoTexts.contains(u"a memo %1"_s.arg(i)));
            QVERIFY(memoTexts.contains(u"b memo %1"_s.arg(i)));
            QVERIFY(todoTexts.contains(u"c todo %1"_s.arg(i)));
        }
        const QString day = vault.readText(today);
        for (int i = 1; i <= outsideLines; ++i)
            QVERIFY2(day.contains(u"outside line %1\n"_s.arg(i)), qPrintable(QString::number(i)));
        QCOMPARE(indexed, ids);
        QCOMPARE(ids.size(), 2 * rounds);
    }
};

QTEST_GUILESS_MAIN(ConcurrencyTest)
#include "tst_concurrency.moc"
