#pragma once

#include <QProcessEnvironment>
#include <QStringList>

class QIODevice;
class QSettings;
class QTextStream;

// What one run of the command-line program reads from and writes to. The program's main()
// binds it to the process; tests bind it to buffers.
struct CliIo
{
    QTextStream& out;
    QTextStream& err;
    QIODevice& in;
    QProcessEnvironment environment;
    QSettings& applicationSettings; // read only: where the application remembers its vault
    int terminalColumns = 80;
};

// Exit statuses of the program.
enum CliExitStatus {
    exitSuccess = 0,
    exitFailure = 1, // the operation failed; the reason went to standard error
    exitUsage = 2,   // the command line could not be used, or no vault was chosen
};

// Runs one command line (without the program name) and returns the exit status.
int runLarch(const QStringList& arguments, CliIo& io);
