// Memo and todo operations, and the read-only queries the memo views need.

#include "librarycontroller.h"

#include "journal.h"
#include "memocontent.h"
#include "vaultpaths.h"

#include <QDir>
#include <QRegularExpression>

namespace {

std::optional<QString> optionalText(const QVariant& value)
{
    if (value.metaType().id() == QMetaType::QString)
        return value.toString();
    return std::nullopt;
}

} // namespace

// Splits at every kind of line break.
QStringList LibraryController::todoLines(const QString& text)
{
    static const QRegularExpression lineBreak(
        QStringLiteral("\\r\\n|[\\n\\r\\x{0B}\\x{0C}\\x{85}\\x{2028}\\x{2029}]"));
    QStringList lines;
    for (const QString& piece : text.split(lineBreak)) {
        const QString line = trimmedText(piece);
        if (!line.isEmpty())
            lines.append(line);
    }
    return lines;
}

// --- Memo operations

QCoro::Task<> LibraryController::captureMemoAsync(QString text, QString folderPath,
                                                  QStringList imagePaths)
{
    const QString trimmed = trimmedText(text);
    if (trimmed.isEmpty() && imagePaths.isEmpty())
        co_return;
    QPointer<LibraryController> self(this);
    co_await saveOpenSessionsAndRefreshAsync();
    if (!self)
        co_return;
    try {
        co_await onStorage(&VaultRepository::createMemo, trimmed, QDateTime::currentDateTime(),
                           folderPath, imagePaths);
        co_await refreshAsync(false);
    } catch (const std::exception& error) {
        reportError(error);
        co_return;
    }
    showNotice(QStringLiteral("已记录"));
}

QCoro::Task<> LibraryController::addFollowUpAsync(QString memoId, QString markdown)
{
    try {
        co_await onStorage(&VaultRepository::appendFollowUp, memoId, markdown,
                           QDateTime::currentDateTime());
        co_await refreshAsync(false);
    } catch (const std::exception& error) {
        reportError(error);
        co_return;
    }
    showNotice(QStringLiteral("已续记"));
}

QCoro::Task<> LibraryController::editMemoAsync(QString memoId, QString markdown)
{
    try {
        co_await onStorage(&VaultRepository::updateMemo, memoId, markdown);
        co_await refreshAsync(false);
    } catch (const std::exception& error) {
        reportError(error);
    }
}

QCoro::Task<> LibraryController::saveMemoTextAsync(QString memoId, QString text)
{
    const std::optional<MemoRecord> found = memo(memoId);
    // A memo that stands for an article is edited as that article, not here.
    if (!found || referencedArticleLink(*found))
        co_return;
    const QString markdown = replacingPrimaryText(*found, text);
    co_await editMemoAsync(memoId, markdown);
}

QCoro::Task<> LibraryController::deleteMemoAsync(QString memoId)
{
    try {
        co_await onStorage(&VaultRepository::deleteMemo, memoId);
        co_await refreshAsync(false);
    } catch (const std::exception& error) {
        reportError(error);
    }
}

QCoro::Task<std::optional<QString>>
LibraryController::convertMemoToArticleAsync(QString memoId, QString title,
                                             std::optional<QString> folderPath)
{
    const QString folder = folderPath.value_or(m_creationFolderPath);
    QString path;
    try {
        const NoteDocument document =
            co_await onStorage(&VaultRepository::convertMemoToNote, memoId, title, folder);
        path = document.path;
        co_await refreshAsync(false);
    } catch (const std::exception& error) {
        reportError(error);
        co_return std::nullopt;
    }
    const std::optional<QString> opened = path;
    co_await openNoteAsync(opened);
    co_return path;
}

// --- Todo operations
//
// Each change goes to the list as it is on disk, not to the published copy: another program
// may have changed the list since the last refresh, and its changes stay.

QCoro::Task<> LibraryController::writeTodayTodos(TodoChange change, DailyTodoItem item,
                                                 QStringList texts, QString notice)
{
    const QDateTime now = QDateTime::currentDateTime();
    try {
        switch (change) {
        case TodoChange::add:
            co_await onStorage(&VaultRepository::addDailyTodos, texts, now);
            break;
        case TodoChange::toggle:
            co_await onStorage(&VaultRepository::setDailyTodoCompleted, item, !item.isCompleted,
                               now);
            break;
        case TodoChange::remove:
            co_await onStorage(&VaultRepository::removeDailyTodo, item, now);
            break;
        }
        co_await refreshAsync(false);
    } catch (const std::exception& error) {
        reportError(error);
        co_return;
    }
    if (!notice.isEmpty())
        showNotice(notice);
}

QCoro::Task<> LibraryController::addTodosAsync(QString text)
{
    const QStringList lines = todoLines(text);
    if (lines.isEmpty())
        co_return;
    const QString notice = lines.size() == 1 ? QStringLiteral("已加入今日待办")
                                             : QStringLiteral("已加入 %1 项待办").arg(lines.size());
    co_await writeTodayTodos(TodoChange::add, DailyTodoItem(), lines, notice);
}

QCoro::Task<> LibraryController::toggleTodoAsync(int todoId)
{
    if (todoId < 0 || todoId >= m_todayTodos.size())
        co_return;
    co_await writeTodayTodos(TodoChange::toggle, m_todayTodos.at(todoId), {}, {});
}

QCoro::Task<> LibraryController::deleteTodoAsync(int todoId)
{
    if (todoId < 0 || todoId >= m_todayTodos.size())
        co_return;
    co_await writeTodayTodos(TodoChange::remove, m_todayTodos.at(todoId), {}, {});
}

// --- QML forms

void LibraryController::captureMemo(const QString& text, const QVariant& folderPath,
                                    const QStringList& imagePaths)
{
    captureMemoAsync(text, optionalText(folderPath).value_or(QString()), imagePaths);
}

void LibraryController::addFollowUp(const QString& memoId, const QString& markdown)
{
    addFollowUpAsync(memoId, markdown);
}

void LibraryController::editMemo(const QString& memoId, const QString& markdown)
{
    editMemoAsync(memoId, markdown);
}

void LibraryController::saveMemoText(const QString& memoId, const QString& text)
{
    saveMemoTextAsync(memoId, text);
}

void LibraryController::deleteMemo(const QString& memoId)
{
    deleteMemoAsync(memoId);
}

void LibraryController::convertMemoToArticle(const QString& memoId, const QString& title,
                                             const QVariant& folderPath)
{
    convertMemoToArticleAsync(memoId, title, optionalText(folderPath));
}

void LibraryController::addTodos(const QString& text)
{
    addTodosAsync(text);
}

void LibraryController::toggleTodo(int todoId)
{
    toggleTodoAsync(todoId);
}

void LibraryController::deleteTodo(int todoId)
{
    deleteTodoAsync(todoId);
}

// --- Queries

std::optional<NoteSummary> LibraryController::referencedArticle(const MemoRecord& memo) const
{
    const std::optional<QString> path = articlePath(memo);
    if (!path)
        return std::nullopt;
    return note(*path);
}

QList<QUrl> LibraryController::referencedArticleImages(const MemoRecord& memo, int limit) const
{
    static const QRegularExpression image =
        compileTextPattern(QStringLiteral("!\\[[^\\]]*\\]\\(([^)]+)\\)"));
    const std::optional<NoteSummary> article = referencedArticle(memo);
    QList<QUrl> urls;
    if (!article || limit <= 0)
        return urls;
    int matches = 0;
    const QString text = article->searchableContent.text();
    for (auto it = image.globalMatch(text); it.hasNext() && matches < limit; ++matches) {
        if (const std::optional<QUrl> url = imageFileURL(it.next().captured(1), article->path))
            urls.append(*url);
    }
    return urls;
}

std::optional<QUrl> LibraryController::imageFileURL(const QString& markdownPath,
                                                    const std::optional<QString>& relativeTo) const
{
    QString path = percentDecoded(markdownPath).value_or(markdownPath);
    if (path.startsWith(QLatin1Char('/'))) {
        path.remove(0, 1);
    } else if (relativeTo) {
        const std::optional<QString> resolved = resolveMarkdownLink(path, *relativeTo);
        if (!resolved)
            return std::nullopt;
        path = *resolved;
    }
    const QString file = QDir::cleanPath(m_rootPath + QLatin1Char('/') + path);
    // Nothing outside the vault, and not the vault folder itself.
    if (!file.startsWith(m_rootPath + QLatin1Char('/')))
        return std::nullopt;
    return QUrl::fromLocalFile(file);
}

QString LibraryController::memoReferenceMarkdown(const MemoRecord& memo,
                                                 const QString& articlePath) const
{
    const QString link = relativeMarkdownLink(articlePath, memo.journalPath);
    const QString plain = plainText(memo);
    auto [excerpt, cut] =
        leadingCharacters(QString(plain).replace(QLatin1Char('\n'), QLatin1Char(' ')), 32);
    excerpt.replace(QLatin1Char('['), QLatin1String("\\["))
        .replace(QLatin1Char(']'), QLatin1String("\\]"));
    const QDateTime local = memo.createdAt.toLocalTime();
    const QString date = QString::asprintf("%04d-%02d-%02d", local.date().year(),
                                           local.date().month(), local.date().day());
    const QString time = QString::asprintf("%02d:%02d", local.time().hour(), local.time().minute());
    return QStringLiteral("[“") + excerpt + (cut ? QStringLiteral("…") : QString()) +
           QStringLiteral("”——") + date + QLatin1Char(' ') + time + QStringLiteral("](") + link +
           QLatin1Char('#') + memo.id + QLatin1Char(')');
}

QVariantMap LibraryController::referencedArticleOf(const QString& memoId) const
{
    const std::optional<MemoRecord> found = memo(memoId);
    if (!found)
        return {};
    const std::optional<NoteSummary> article = referencedArticle(*found);
    return article ? noteMap(*article) : QVariantMap();
}

QList<QUrl> LibraryController::referencedArticleImagesOf(const QString& memoId, int limit) const
{
    const std::optional<MemoRecord> found = memo(memoId);
    return found ? referencedArticleImages(*found, limit) : QList<QUrl>();
}

QUrl LibraryController::imageFileUrl(const QString& markdownPath, const QString& relativeTo) const
{
    return imageFileURL(markdownPath,
                        relativeTo.isEmpty() ? std::nullopt : std::optional<QString>(relativeTo))
        .value_or(QUrl());
}

QString LibraryController::memoReferenceMarkdownOf(const QString& memoId,
                                                   const QString& articlePath) const
{
    const std::optional<MemoRecord> found = memo(memoId);
    return found ? memoReferenceMarkdown(*found, articlePath) : QString();
}

std::optional<QString> LibraryController::articlePath(const MemoRecord& memo) const
{
    const std::optional<QString> link = referencedArticleLink(memo);
    if (!link)
        return std::nullopt;
    return resolveMarkdownLink(*link, memo.journalPath);
}

QString LibraryController::articlePathOf(const QString& memoId) const
{
    const std::optional<MemoRecord> found = memo(memoId);
    return found ? articlePath(*found).value_or(QString()) : QString();
}

QVariantMap LibraryController::memoById(const QString& memoId) const
{
    const std::optional<MemoRecord> found = memo(memoId);
    if (!found)
        return {};
    const QString primary = primaryMarkdown(*found);
    return {{QStringLiteral("memoId"), found->id},
            {QStringLiteral("createdAt"), found->createdAt},
            {QStringLiteral("journalPath"), found->journalPath},
            {QStringLiteral("markdown"), found->markdown},
            {QStringLiteral("folderPath"), found->folderPath},
            {QStringLiteral("primaryMarkdown"), primary},
            {QStringLiteral("plainText"), plainText(*found)},
            {QStringLiteral("textWithoutMedia"), textWithoutMedia(primary)},
            {QStringLiteral("articlePath"), articlePath(*found).value_or(QString())}};
}
