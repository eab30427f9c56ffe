#include "memolookup.h"

#include "clierrors.h"
#include "vaulterror.h"

#include <QSet>

#include <algorithm>

namespace {

const QString idPrefix = QStringLiteral("memo-");

QString idWithoutPrefix(const QString& id)
{
    return id.startsWith(idPrefix) ? id.mid(idPrefix.size()) : id;
}

} // namespace

MemoRecord findMemo(const QList<MemoRecord>& memos, const QString& typed)
{
    if (typed.isEmpty())
        throw VaultError(VaultError::noteNotFound);
    QList<const MemoRecord*> candidates;
    for (const MemoRecord& memo : memos) {
        if (memo.id == typed)
            return memo;
        if (memo.id.startsWith(typed) || idWithoutPrefix(memo.id).startsWith(typed))
            candidates.append(&memo);
    }
    if (candidates.isEmpty())
        throw VaultError(VaultError::noteNotFound);
    if (candidates.size() > 1)
        throw CommandError(QStringLiteral("有 %1 条记录的编号以“%2”开头，请多写几位。")
                               .arg(candidates.size())
                               .arg(typed));
    return *candidates.first();
}

int shortMemoIdLength(const QList<MemoRecord>& memos)
{
    // The shortest length, from 8 on, at which no two ids share a prefix: one more than the
    // longest prefix two ids share, which, once the ids are sorted, two neighbours share. Two
    // blocks copied with the same anchor share an id: then the full length.
    QStringList ids;
    ids.reserve(memos.size());
    qsizetype longest = 0;
    for (const MemoRecord& memo : memos) {
        ids.append(idWithoutPrefix(memo.id));
        longest = std::max(longest, ids.constLast().size());
    }
    if (longest <= 8)
        return 8;
    std::sort(ids.begin(), ids.end());
    qsizetype shared = 0;
    for (qsizetype i = 1; i < ids.size(); ++i) {
        const QString& a = ids.at(i - 1);
        const QString& b = ids.at(i);
        qsizetype common = 0;
        while (common < a.size() && common < b.size() && a.at(common) == b.at(common))
            ++common;
        shared = std::max(shared, common);
    }
    return int(std::clamp<qsizetype>(shared + 1, 8, longest));
}

QString shortMemoId(const QString& id, int length)
{
    return idWithoutPrefix(id).left(length);
}
