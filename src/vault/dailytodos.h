#pragma once

#include "journal.h"
#include "vaultrecords.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

// A day's todo list, kept as a section of that day's journal file, before its first memo:
//
//   <a id="daily-todos"></a>
//
//   ## 今日待办
//
//   <!-- rolled-over-from:2024-05-01 -->
//
//   - [x] send the invoice
//   - [ ] renew passport <!-- created:2024-04-28 -->
//
// Pure functions, usable from any thread; the repository methods are in dailytodos.cpp too.

// The anchor line that opens the section.
QString todoSectionAnchor();

// Where the section lies: from its anchor to the next memo anchor or the end of the text. Only
// an anchor before the first memo counts, so text quoted inside a memo is never taken for it.
std::optional<TextRange> todoSectionRange(const QString& text);

// The items of a section's text, numbered from 0. Items without a created comment (or with one
// that is not a date) are dated at the start of `day`.
QList<DailyTodoItem> parseTodoItems(const QString& sectionText, const QDate& day);

// The day named by the section's roll-over marker in `text`, if any.
std::optional<QDate> rolledOverFromDate(const QString& text);

// One item line, or an empty string when the item has no text. Line breaks become spaces; a
// created comment is added when the item was created on another day than `day`.
QString renderTodoLine(const DailyTodoItem& item, const QDate& day);

// The whole section for `day`; empty when there are neither item lines nor a marker.
QString renderTodoSection(const QList<DailyTodoItem>& items, const QDate& day,
                          const std::optional<QDate>& marker);

// `text` with its section replaced by `section` (removed when empty), or with `section` added
// before the first memo (or at the end), runs of four or more line feeds cut to two, and a final
// line feed.
QString textWithTodoSection(const QString& text, const QString& section);

// Carries `carried` into `list`: each carried item is appended unless `list` already held an
// item of the same text created on the same day (each held item stands for one carried item).
// Ids are renumbered by position.
QList<DailyTodoItem> mergeCarriedTodos(QList<DailyTodoItem> list,
                                       const QList<DailyTodoItem>& carried);
