// Saves of the memo editors that never write over a change made elsewhere, and the two places
// where an editor's text can go instead: a file in the trash, or a new memo.

#include "librarycontroller.h"

#include "vaulterror.h"

QCoro::Task<LibraryController::MemoSave>
LibraryController::saveMemoFromAsync(QString memoId, QString markdown, QString base)
{
    MemoSave outcome;
    try {
        const MemoRecord saved =
            co_await onStorage(&VaultRepository::updateMemoFrom, memoId, markdown, base);
        outcome = {MemoSave::saved, saved.markdown, {}};
    } catch (const VaultError& error) {
        if (error.code() == VaultError::conflict)
            outcome.result = MemoSave::changedOutside;
        else if (error.code() == VaultError::noteNotFound)
            outcome.result = MemoSave::missing;
        else
            outcome.error = error.localizedDescription();
    } catch (const std::exception& error) {
        outcome.error = errorDescription(error);
    }
    // Also after a failure: the editor compares its text with the memo as the files hold it.
    try {
        co_await refreshAsync(false);
    } catch (const std::exception& error) {
        reportError(error);
    }
    co_return outcome;
}

QCoro::Task<std::optional<QString>> LibraryController::keepMemoTextInTrashAsync(MemoRecord memo,
                                                                                QString text)
{
    const QDateTime local = memo.createdAt.toLocalTime();
    const QString name = QStringLiteral("记录 %1 %2 我的版本.md")
                             .arg(local.toString(QStringLiteral("yyyy-MM-dd")),
                                  local.toString(QStringLiteral("HHmm")));
    const QString content = text.endsWith(QLatin1Char('\n')) ? text : text + QLatin1Char('\n');
    try {
        const QString path = co_await onStorage(&VaultRepository::trashDocumentText, name, content);
        co_return path;
    } catch (const std::exception& error) {
        reportError(error);
    }
    co_return std::nullopt;
}

QCoro::Task<std::optional<MemoRecord>> LibraryController::copyMemoAsync(MemoRecord original,
                                                                        QString markdown)
{
    try {
        const MemoRecord copy =
            co_await onStorage(&VaultRepository::createMemo, markdown, original.createdAt,
                               original.folderPath, QStringList());
        co_await refreshAsync(false);
        co_return copy;
    } catch (const std::exception& error) {
        reportError(error);
    }
    co_return std::nullopt;
}
