#pragma once

#include <QString>

// What the sidebar has selected: every article, the quick-capture place (no articles), or one
// folder with its subfolders.
struct LibrarySelection
{
    enum Kind { all, quick, folder };

    Kind kind = all;
    QString folderPath; // only for `folder`

    static LibrarySelection allNotes() { return {}; }
    static LibrarySelection quickNotes() { return {quick, {}}; }
    static LibrarySelection inFolder(const QString& path) { return {folder, path}; }

    friend bool operator==(const LibrarySelection& a, const LibrarySelection& b)
    {
        return a.kind == b.kind && (a.kind != folder || a.folderPath == b.folderPath);
    }
};
