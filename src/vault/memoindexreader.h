#pragma once

// Internal to the memo index (memoindex.cpp, memoindexreader.cpp).

#include "memoindex.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

// An internet date-time with whole seconds: "2024-05-01T01:30:12Z" or with a "+08:00" offset.
std::optional<QDateTime> decodedMemoIndexDate(const QString& text);

// The index read directly, without a JSON document, when the file has the plain shape this
// system writes: an array of objects whose values are strings, no escapes but the simple ones,
// dates in UTC. Nothing for any other shape, even a valid one; the general reader then decides.
// Every loadMemos and every memo write reads the whole index, so this is on the hot path.
std::optional<QList<MemoIndexEntry>> decodePlainMemoIndex(const QByteArray& bytes);
