#pragma once

#include <QList>
#include <QString>
#include <QStringView>

#include <optional>

// Where the memo anchor lines of a day file's text are. Pure; usable from any thread.

// One match of memoAnchorPattern(): the anchor line from its start to the end of the white
// space after it (which may run over line breaks up to the last line end it can reach).
struct MemoAnchor
{
    qsizetype start = 0;
    qsizetype end = 0;
    QStringView id;                    // group 1, "memo-..."
    std::optional<QStringView> folder; // group 2, still HTML-escaped; none when absent
};

// Exactly what memoAnchorPattern().globalMatch(text) finds, in text order. Every load reads
// every day file, so the lines are found by a scan for "<a id=\"memo-" and checked by hand; the
// pattern itself decides the rare line whose trailing white space is not ASCII.
QList<MemoAnchor> findMemoAnchors(const QString& text);
