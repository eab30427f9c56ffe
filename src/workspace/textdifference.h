#pragma once

#include <QList>
#include <QString>

// One line of a comparison between the user's text and the version found on disk.
struct DifferenceLine
{
    enum Kind { Same, Removed, Added };
    Kind kind = Same;
    QString text;

    bool operator==(const DifferenceLine&) const = default;
};

// The lines of `mine` and `outside` in order, each marked as common to both, only in `mine`
// (`Removed`) or only in `outside` (`Added`), with as few marked lines as practical. Within a
// changed stretch the removed lines come before the added ones. Past a few thousand differing
// lines the middle is shown as replaced wholesale, so a comparison never stalls the window.
QList<DifferenceLine> lineDifference(const QString& mine, const QString& outside);
