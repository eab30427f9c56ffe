#pragma once

#include <QList>
#include <QString>

// How fast changes made by another program reach the library's published contents, with the
// application's own watcher and refresh, on a vault that is open and settled.
struct OutsideChangeFigures
{
    QList<double> editShownMs; // an article edited elsewhere, until it is published
    int burstFiles = 0;
    double burstShownMs = 0; // a sync tool writing burstFiles new articles, until all are published
    int burstRefreshes = 0;  // the refreshes that burst caused
};

// Opens the vault at `root` in a library model and measures `runs` edits and one burst. The
// library rolls today's todos over as on a real start, so this runs after the other operations.
OutsideChangeFigures measureOutsideChanges(const QString& root, int runs);
