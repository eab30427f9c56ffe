#pragma once

#include "vaultrecords.h"

#include <QDateTime>
#include <QJsonObject>
#include <QString>

// The JSON shapes the program prints. They are a promise to scripts: add keys, never rename or
// drop them. Dates are ISO 8601 local time with the zone offset ("2024-05-01T09:30:00+08:00").

QString isoDateTime(const QDateTime& date);

// id, createdAt, journalPath, folderPath, markdown, plainText, tags, images, followUps.
QJsonObject memoJson(const MemoRecord& memo);

// path, title, preview, modifiedAt.
QJsonObject noteJson(const NoteSummary& note);

// number (1-based, as the todo commands take it), text, done, createdAt.
QJsonObject todoJson(const DailyTodoItem& item, int number);

// path, markdown, modifiedAt.
QJsonObject documentJson(const NoteDocument& document);
