#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

// Terminal text layout: widths in terminal columns, where CJK and other East Asian wide
// characters take two columns and combining marks none.

// Columns one code point takes: 0, 1 or 2.
int codePointWidth(char32_t codePoint);

// Columns the whole text takes on one line.
int displayWidth(const QString& text);

// The text cut so that it fits in `columns`, ending in "…" when something was cut.
QString elidedToWidth(const QString& text, int columns);

// The text followed by spaces up to `columns` (never cut).
QString paddedToWidth(const QString& text, int columns);

// One line of running text: every line break and tab becomes a space, runs of spaces shrink to
// one, both ends trimmed.
QString singleLine(const QString& text);

// Rows of cells laid out in columns, each padded to the widest cell of its column; the last
// column is elided so that a row fits in `totalColumns` (never below `minimumLastColumn`).
// Columns are separated by two spaces and trailing spaces are dropped.
QString alignedRows(const QList<QStringList>& rows, int totalColumns, int minimumLastColumn = 16);

// "yyyy-MM-dd HH:mm" of a date in local time, as the interface shows dates and times.
QString displayDateTime(const QDateTime& date);
