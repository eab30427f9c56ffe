#pragma once

#include <QDate>
#include <QString>

// Runs every benchmarked operation once on the vault at `root` (a copy: it is changed) and
// writes what each returned and a digest of every file of the vault after it, in a stable
// text form. Two builds of the storage that give the same dump behave the same on this vault:
// that is how a speed change is checked for identical results.
struct DumpOptions
{
    bool fresh = false;        // a new repository for every step: the reference of a full re-read
    bool outsideEdits = false; // files changed by another program between loads
};
void writeOperationDump(const QString& root, const QDate& today, const QString& dumpFile,
                        const DumpOptions& options = {});
