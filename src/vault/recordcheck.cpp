// The look of VaultRecordStore at the vault without change notifications: every file's identity
// against its record, nothing read.

#include "articlelisting.h"
#include "journal.h"
#include "memoindex.h"
#include "recordstore.h"

namespace {

bool vouched(const FileCheck& check, const QString& file)
{
    const std::optional<FileIdentity> identity = fileIdentity(file);
    return identity && check.vouchesFor(*identity);
}

} // namespace

bool VaultRecordStore::differsOnDisk()
{
    // Files that could not be read are left out: a re-read lists them the same way until they
    // become readable, which shows only in the next re-read for another reason.
    const std::optional<FileIdentity> index =
        fileIdentity(m_root + QLatin1Char('/') + memoIndexRelativePath());
    if (index.has_value() != m_indexCheck.has_value() ||
        (index && !m_indexCheck->vouchesFor(*index)))
        return true;

    const QList<QPair<QString, bool>> dayFiles = listDayFiles();
    if (dayFiles.size() != m_dayFiles.size())
        return true;
    for (const auto& [path, isLink] : dayFiles) {
        const auto record = m_dayFiles.constFind(path);
        if (record == m_dayFiles.cend())
            return true;
        if (!record->retry && (m_dayFileLinks.contains(path) != isLink ||
                               !vouched(record->check, m_root + QLatin1Char('/') + path)))
            return true;
    }

    bool differs = false;
    qsizetype listed = 0;
    QList<FolderItem> folders;
    walkListing(m_root, folders, [&](const ArticleFile& file) {
        if (differs)
            return;
        const auto record = m_articles.constFind(file.path);
        differs = listed >= m_articleOrder.size() || m_articleOrder.at(listed) != file.path ||
                  record == m_articles.cend() ||
                  (!record->retry && (m_articleLinks.contains(file.path) != file.isSymbolicLink ||
                                      !vouched(record->check, file.absolutePath)));
        ++listed;
    });
    if (differs || listed != m_articleOrder.size())
        return true;
    return folders != m_walkedFolders;
}
