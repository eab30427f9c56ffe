#include "memolookup.h"

#include "clierrors.h"
#include "vaulterror.h"

#include <QSet>

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
    QStringList ids;
    qsizetype longest = 0;
    for (const MemoRecord& memo : memos) {
        ids.append(idWithoutPrefix(memo.id));
        longest = std::max(longest, ids.constLast().size());
    }
    // Two blocks copied with the same anchor share an id; stop at the full length then.
    int length = 8;
    while (length < longest) {
        QSet<QString> seen;
        bool distinct = true;
        for (const QString& id : ids) {
            const QString prefix = id.left(length);
            if (seen.contains(prefix)) {
                distinct = false;
                break;
            }
            seen.insert(prefix);
        }
        if (distinct)
            break;
        ++length;
    }
    return length;
}

QString shortMemoId(const QString& id, int length)
{
    return idWithoutPrefix(id).left(length);
}
