#pragma once

#include <QString>
#include <QtGlobal>

#include <string>
#include <vector>

// The floor of every vault-wide read: the time to find every file a full load must read and to
// read each one's bytes once, with as many threads as the machine has cores, using plain
// system calls and no decoding. No storage operation that reads the whole vault can beat it.

struct FloorResult
{
    double milliseconds = 0;
    int files = 0;
    qint64 bytes = 0;
};

// The files a full load reads: every Markdown file outside hidden folders and the top-level
// "Attachments" folder (articles and day files alike), and the memo index.
std::vector<std::string> listLoadedFiles(const QString& vaultRoot);

// Walks the vault and reads every listed file once; timed as a whole.
FloorResult measureFloor(const QString& vaultRoot, int threads);
