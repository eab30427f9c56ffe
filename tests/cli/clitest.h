#pragma once

// Runs the built `larch` program on a throwaway vault.

#include "testvault.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>

struct CliRun
{
    int status = -1;
    QByteArray out;
    QByteArray err;

    QString outText() const { return QString::fromUtf8(out); }
    QString errText() const { return QString::fromUtf8(err); }
    QJsonObject json() const { return QJsonDocument::fromJson(out).object(); }
    // The value at a "/"-separated path of keys and array positions in the JSON output, such
    // as "memos/0/id".
    QJsonValue json(const QString& path) const
    {
        QJsonValue value = json();
        for (const QString& step : path.split(QLatin1Char('/'))) {
            bool isIndex = false;
            const int index = step.toInt(&isIndex);
            value = isIndex ? value.toArray().at(index) : value.toObject().value(step);
        }
        return value;
    }
};

class CliVault : public TestVault
{
public:
    // The vault is passed through LARCH_VAULT; `environment` adds "NAME=value" entries, and
    // "NAME=" removes one.
    CliRun run(const QStringList& arguments, const QByteArray& input = {},
               const QStringList& environment = {}) const
    {
        QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
        variables.insert(QStringLiteral("LARCH_VAULT"), root());
        variables.insert(QStringLiteral("COLUMNS"), QStringLiteral("200"));
        for (const QString& entry : environment) {
            const qsizetype equals = entry.indexOf(QLatin1Char('='));
            if (equals + 1 == entry.size())
                variables.remove(entry.left(equals));
            else
                variables.insert(entry.left(equals), entry.mid(equals + 1));
        }
        QProcess process;
        process.setProcessEnvironment(variables);
        process.start(QStringLiteral(LARCH_PROGRAM), arguments);
        if (!process.waitForStarted())
            return {};
        process.write(input);
        process.closeWriteChannel();
        process.waitForFinished(60000);
        CliRun result;
        result.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        result.out = process.readAllStandardOutput();
        result.err = process.readAllStandardError();
        return result;
    }

    // Every file with its bytes: a failed command must leave this unchanged.
    QMap<QString, QByteArray> contents() const { return fileContents(root()); }
};

// A command line written with "|" between its arguments.
inline QStringList words(const QString& line)
{
    return line.split(QLatin1Char('|'));
}

// The day file and heading time of a local date, as the journal writes them.
inline QString dayFilePath(const QDateTime& date)
{
    return date.toString(QStringLiteral("'Journal/'yyyy'/'MM'/'yyyy-MM-dd'.md'"));
}
