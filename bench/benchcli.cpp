#include "benchcli.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <stdexcept>

double timeProgram(const QString& program, const QStringList& arguments,
                   const QProcessEnvironment& environment)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    process.start(program, arguments);
    if (!process.waitForFinished(600000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        throw std::runtime_error("failed: " + program.toStdString() + " " +
                                 arguments.join(QLatin1Char(' ')).toStdString() + ": " +
                                 process.readAllStandardError().toStdString());
    return double(timer.nsecsElapsed()) / 1e6;
}

QString larchProgram()
{
#ifdef LARCH_CLI_PROGRAM
    const QString built = QStringLiteral(LARCH_CLI_PROGRAM);
    if (QFileInfo(built).isExecutable())
        return built;
#endif
    return QStandardPaths::findExecutable(QStringLiteral("larch"));
}

QString ripgrepProgram()
{
    return QStandardPaths::findExecutable(QStringLiteral("rg"));
}
