// Several programs writing one vault at once: two running `larch` in loops (as the application
// and a launcher would), and an outside program appending to today's day file. Nothing any of
// them wrote may be lost.

#include "clitest.h"
#include "memoindex.h"
#include "vaultrepository.h"

#include <QJsonArray>
#include <QSet>
#include <QTest>

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
        vault.write(today, QByteArray("# today\n\n"));

        const auto start = [&](QProcess& process, const QString& script,
                               const QStringList& variables) {
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QStringLiteral("LARCH_VAULT"), vault.root());
            environment.insert(QStringLiteral("LARCH"), QStringLiteral(LARCH_PROGRAM));
            environment.insert(QStringLiteral("DAY"), vault.path(today));
            environment.insert(QStringLiteral("ROUNDS"), QString::number(rounds));
            environment.insert(QStringLiteral("LINES"), QString::number(outsideLines));
            for (const QString& variable : variables)
                environment.insert(variable.section(QLatin1Char('='), 0, 0),
                                   variable.section(QLatin1Char('='), 1));
            process.setProcessEnvironment(environment);
            process.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), script});
            QVERIFY(process.waitForStarted());
        };
        const QString writer = QStringLiteral(
            "for i in $(seq $ROUNDS); do \"$LARCH\" $KIND add \"$TAG $KIND $i\" >/dev/null"
            " || exit 1; done");
        const QString appender = QStringLiteral(
            "for i in $(seq $LINES); do echo \"outside line $i\" >> \"$DAY\"; sleep 0.02; done");
        QProcess first, second, todos, outside;
        start(first, writer, {QStringLiteral("TAG=a"), QStringLiteral("KIND=memo")});
        start(second, writer, {QStringLiteral("TAG=b"), QStringLiteral("KIND=memo")});
        start(todos, writer, {QStringLiteral("TAG=c"), QStringLiteral("KIND=todo")});
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
        for (const QJsonValue& memo : vault.run(words(QStringLiteral("memo|list|--json")))
                                          .json()
                                          .value(QLatin1String("memos"))
                                          .toArray()) {
            // Lines appended after a memo's block read as part of it: the memo starts with its
            // text.
            memoTexts.insert(memo.toObject()
                                 .value(QLatin1String("markdown"))
                                 .toString()
                                 .section(QLatin1Char('\n'), 0, 0));
            ids.insert(memo.toObject().value(QLatin1String("id")).toString());
        }
        QSet<QString> todoTexts;
        for (const QJsonValue& todo : vault.run(words(QStringLiteral("todo|list|--json")))
                                          .json()
                                          .value(QLatin1String("todos"))
                                          .toArray())
            todoTexts.insert(todo.toObject().value(QLatin1String("text")).toString());
        for (int i = 1; i <= rounds; ++i) {
            QVERIFY(memoTexts.contains(QStringLiteral("a memo %1").arg(i)));
            QVERIFY(memoTexts.contains(QStringLiteral("b memo %1").arg(i)));
            QVERIFY(todoTexts.contains(QStringLiteral("c todo %1").arg(i)));
        }
        const QString day = vault.readText(today);
        for (int i = 1; i <= outsideLines; ++i)
            QVERIFY2(day.contains(QStringLiteral("outside line %1\n").arg(i)),
                     qPrintable(QString::number(i)));
        QCOMPARE(indexed, ids);
        QCOMPARE(ids.size(), 2 * rounds);
    }
};

QTEST_GUILESS_MAIN(ConcurrencyTest)
#include "tst_concurrency.moc"
