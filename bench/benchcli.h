#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// Timing whole programs, as someone running them from a terminal or a launcher waits for them:
// the command-line program `larch` and, for comparison, ripgrep.

// The wall time of running `program` with `arguments` to its end, its output discarded; throws
// when it cannot be started or fails.
double
timeProgram(const QString& program, const QStringList& arguments,
            const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment());

// The `larch` program built with the benchmark, and ripgrep when installed; empty when missing.
QString larchProgram();
QString ripgrepProgram();
