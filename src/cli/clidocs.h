#pragma once

#include <QString>

// What the system around the program needs to know of it, made from the command table when the
// program is built and installed beside it.

// The bash completion script: command words, each command's options, folders after --vault and
// files after --image. It needs bash 4 and nothing else.
QString bashCompletionScript();

// The manual page larch(1) in troff, for the given program version.
QString manualPage(const QString& version);
