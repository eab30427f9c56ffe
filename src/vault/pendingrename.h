#pragma once

#include "linkrewrite.h"

#include <QString>

class VaultRepository;

// A rename moves the article, then rewrites the links to it. A process killed in between would
// leave those links pointing at the old name for good, so the rename is written down first, in
// the state folder outside the vault ($XDG_STATE_HOME/larch-notes, surviving a reboot), and the
// next load of the vault, by the application or the command-line program, finishes it.

// The record of the vault at `rootPath`; empty when there is no state folder.
QString pendingRenameFile(const QString& rootPath);

// While alive, the record of `move` exists; it goes with the object (after a finished rename or
// one that failed before the move). A record that cannot be written is reported as a warning:
// the rename still goes on.
class PendingRenameRecord
{
public:
    PendingRenameRecord(const QString& rootPath, const ArticleMove& move);
    ~PendingRenameRecord();
    PendingRenameRecord(const PendingRenameRecord&) = delete;
    PendingRenameRecord& operator=(const PendingRenameRecord&) = delete;

private:
    QString m_file;
};

// Finishes a rename left half done: when the article is at its new path and no longer at its old
// one, the links to it are rewritten; a rename killed before its move needs nothing. Either way
// the record goes. Problems are reported as warnings.
void finishInterruptedRename(const VaultRepository& repository);
