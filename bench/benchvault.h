#pragma once

#include <QDate>
#include <QString>
#include <QtGlobal>

#include <ctime>

// What the generator and the benchmark agree on about a generated vault.
namespace BenchVault {

// Memo times are local times; the index stores them in UTC. Both programs run in one fixed
// zone so that the same seed gives the same bytes and the index matches the day files.
inline constexpr const char* timeZone = "Asia/Shanghai";

inline void useFixedTimeZone()
{
    qputenv("TZ", timeZone);
    ::tzset();
}

inline constexpr quint64 defaultSeed = 20240501;

// The vault's "today": its newest day file, with yesterday's unfinished todos waiting to roll
// over. The benchmark passes this date to the todo operations.
inline QDate defaultToday()
{
    return QDate(2025, 6, 30);
}

// The article the benchmark renames: linked from a few dozen articles and memos.
inline QString renamedArticlePath()
{
    return QStringLiteral("Notes/Inbox/阅读清单 Reading list.md");
}
inline QString renamedArticleNewName()
{
    return QStringLiteral("阅读清单 Reading list (renamed)");
}

} // namespace BenchVault
