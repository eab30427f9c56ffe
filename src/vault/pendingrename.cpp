#include "pendingrename.h"

#include "fileio.h"
#include "repositoryscope.h"
#include "vaulterror.h"
#include "vaultlock.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include <unistd.h>

namespace {

const QLatin1String fromKey("from");
const QLatin1String toKey("to");

} // namespace

QString pendingRenameFile(const QString& rootPath)
{
    const QString folder = larchStateFolder();
    if (folder.isEmpty())
        return {};
    return folder + QLatin1Char('/') + vaultFileKey(rootPath) + QStringLiteral(".rename.json");
}

PendingRenameRecord::PendingRenameRecord(const QString& rootPath, const ArticleMove& move)
{
    const QString file = pendingRenameFile(rootPath);
    const QJsonObject record{
        {QStringLiteral("vault"), rootPath}, {fromKey, move.from}, {toKey, move.to}};
    try {
        if (file.isEmpty())
            throw FileError(FileError::write, larchStateFolder(), ENOENT);
        writeFileAtomically(file, QJsonDocument(record).toJson());
        m_file = file;
    } catch (const FileError& error) {
        reportVaultWarning(VaultWarning::Kind::operation,
                           QStringLiteral("没能记下这次重命名（%1）；如果改写链接时程序意外退出，"
                                          "部分链接可能不会更新。")
                               .arg(error.clause()));
    }
}

PendingRenameRecord::~PendingRenameRecord()
{
    if (!m_file.isEmpty())
        ::unlink(QFile::encodeName(m_file).constData());
}

void finishInterruptedRename(const VaultRepository& repository)
{
    const QString file = pendingRenameFile(repository.rootPath());
    if (file.isEmpty() || !pathExists(file))
        return;
    try {
        const WriteScope scope(repository);
        if (!pathExists(file))
            return; // finished by another process while this one waited for the lock
        const QJsonObject record = QJsonDocument::fromJson(readFileBytes(file)).object();
        const ArticleMove move{record.value(fromKey).toString(), record.value(toKey).toString()};
        if (!move.from.isEmpty() && !move.to.isEmpty() &&
            !pathExists(repository.resolveVaultPath(move.from)) &&
            pathExists(repository.resolveVaultPath(move.to)))
            rewriteArticleLinks(repository.rootPath(), move);
    } catch (const StorageError& error) {
        reportVaultWarning(VaultWarning::Kind::operation,
                           QStringLiteral("没能完成上次中断的重命名：%1。").arg(error.clause()));
        const auto* fileError = dynamic_cast<const FileError*>(&error);
        if (fileError && fileError->operation() == FileError::lock)
            return; // the next load tries again
    }
    ::unlink(QFile::encodeName(file).constData());
}
