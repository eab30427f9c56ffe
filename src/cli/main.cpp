// The `larch` program: binds the command logic to the process.
#include "larchcli.h"
#include "processsetup.h"
#include "vaultlocation.h"

#include <QCoreApplication>
#include <QFile>
#include <QSettings>
#include <QTextStream>

#include <sys/ioctl.h>
#include <unistd.h>

namespace {

// Columns of the terminal on standard output; lines written elsewhere get a fixed width.
int terminalColumns(const QProcessEnvironment& environment)
{
    bool isNumber = false;
    const int fromEnvironment = environment.value(QStringLiteral("COLUMNS")).toInt(&isNumber);
    if (isNumber && fromEnvironment > 0)
        return fromEnvironment;
    winsize size{};
    if (isatty(STDOUT_FILENO) && ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    return 100;
}

} // namespace

int main(int argc, char* argv[])
{
    prepareProcess(argv);
    QCoreApplication application(argc, argv);
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();

    QTextStream out(stdout);
    QTextStream err(stderr);
    QFile in;
    if (!in.open(stdin, QIODevice::ReadOnly)) {
        err << QStringLiteral("无法读取标准输入。\n");
        return exitFailure;
    }
    QSettings settings(applicationSettingsOrganization(), applicationSettingsName());
    CliIo io{out, err, in, QProcessEnvironment::systemEnvironment(), settings, 80};
    io.terminalColumns = terminalColumns(io.environment);
    return runLarch(arguments, io);
}
