#include "clicommand.h"
#include "jsonoutput.h"
#include "librarycontroller.h"
#include "search.h"
#include "textlayout.h"

#include "vaulterror.h"
#include "vaultrepository.h"

#include <QJsonArray>

namespace {

OptionSpec folderOption(const QString& description)
{
    return {QStringLiteral("folder"), QStringLiteral("路径"), description, false};
}

void listNotes(CommandContext& context)
{
    const VaultSnapshot snapshot = context.repository().loadSnapshot();
    const std::optional<QString> folder = context.vaultPathOption(QStringLiteral("folder"));
    const LibrarySelection selection =
        folder ? LibrarySelection::folder(*folder) : LibrarySelection::all();
    const QList<NoteSummary> notes =
        filteredNotes(snapshot.notes, buildNoteSearchIndex(snapshot.notes), selection, QString());
    if (context.wantsJson()) {
        QJsonArray array;
        for (const NoteSummary& note : notes)
            array.append(noteJson(note));
        context.printJson(QJsonDocument(QJsonObject{{QStringLiteral("notes"), array}}));
        return;
    }
    if (notes.isEmpty()) {
        context.print(QStringLiteral("没有笔记。\n"));
        return;
    }
    QList<QStringList> rows;
    for (const NoteSummary& note : notes)
        rows.append({displayDateTime(note.modifiedAt), note.path, singleLine(note.preview)});
    context.print(alignedRows(rows, context.io().terminalColumns));
}

// Every new article is announced in the memo stream with a link to it, as in the application.
// The article is written by then, so a failure here is a warning: the command has done its job.
void announceArticle(const CommandContext& context, const NoteDocument& document)
{
    try {
        const NoteDocument day = context.repository().ensureJournalDocument(context.now());
        context.repository().createMemo(
            LibraryController::articleAnnouncement(day.path, document.path), context.now(),
            QString(), {});
    } catch (const StorageError& error) {
        context.repository().warningLog().add(VaultWarning{
            VaultWarning::Kind::operation, LibraryController::unannouncedArticleWarning(error)});
    }
}

void newNote(CommandContext& context)
{
    const QString folder = context.vaultPathOption(QStringLiteral("folder")).value_or(QString());
    const NoteDocument document = context.repository().createNote(folder, context.positional(0));
    announceArticle(context, document);
    context.print(document.path + QLatin1Char('\n'));
}

void showNote(CommandContext& context)
{
    const NoteDocument document =
        context.repository().loadDocument(context.vaultPathArgument(context.positional(0)));
    if (context.wantsJson()) {
        context.printJson(QJsonDocument(documentJson(document)));
        return;
    }
    context.print(document.markdown);
    if (!document.markdown.isEmpty() && !document.markdown.endsWith(QLatin1Char('\n')))
        context.print(QStringLiteral("\n"));
}

// The path of an article the listing shows. Renaming or trashing anything else (a folder, a day
// file of the memo stream, an attachment) would break the vault, so it counts as not found.
QString articlePathArgument(const CommandContext& context)
{
    const QString path = context.vaultPathArgument(context.positional(0));
    for (const NoteSummary& note : context.repository().loadSnapshot().notes)
        if (note.path == path)
            return path;
    throw VaultError(VaultError::noteNotFound);
}

void renameNote(CommandContext& context)
{
    const NoteDocument document =
        context.repository().renameNote(articlePathArgument(context), context.positional(1));
    context.print(document.path + QLatin1Char('\n'));
}

void trashNote(CommandContext& context)
{
    context.repository().trashNote(articlePathArgument(context));
}

void newFolder(CommandContext& context)
{
    const QString parent = context.vaultPathOption(QStringLiteral("parent")).value_or(QString());
    context.print(context.repository().createFolder(parent, context.positional(0)) +
                  QLatin1Char('\n'));
}

} // namespace

QList<Command> noteCommands()
{
    const QString note = QStringLiteral("note");
    return {
        {note,
         QStringLiteral("list"),
         QString(),
         QStringLiteral("列出笔记（最近修改的在前）"),
         QString(),
         {folderOption(QStringLiteral("只列出这个文件夹及其子文件夹里的笔记"))},
         0,
         0,
         true,
         listNotes},
        {note,
         QStringLiteral("new"),
         QStringLiteral("标题"),
         QStringLiteral("新建一篇笔记，输出它的路径"),
         QStringLiteral("和在 Larch Notes 里新建一样，今天的记录里会多一条指向它的链接。"),
         {folderOption(QStringLiteral("放进这个已有的文件夹（默认仓库根目录）"))},
         1,
         1,
         false,
         newNote},
        {note,
         QStringLiteral("show"),
         QStringLiteral("路径"),
         QStringLiteral("输出一篇笔记的全文"),
         QString(),
         {},
         1,
         1,
         true,
         showNote},
        {note,
         QStringLiteral("rename"),
         QStringLiteral("路径 新名称"),
         QStringLiteral("重命名笔记，输出新路径"),
         QStringLiteral("仓库里指向它的链接会一起改好。"),
         {},
         2,
         2,
         false,
         renameNote},
        {note,
         QStringLiteral("trash"),
         QStringLiteral("路径"),
         QStringLiteral("把笔记移到仓库的 .Trash 文件夹"),
         QString(),
         {},
         1,
         1,
         false,
         trashNote},
        {QStringLiteral("folder"),
         QStringLiteral("new"),
         QStringLiteral("名称"),
         QStringLiteral("新建文件夹，输出它的路径"),
         QString(),
         {{QStringLiteral("parent"), QStringLiteral("路径"),
           QStringLiteral("建在这个文件夹里（默认仓库根目录）"), false}},
         1,
         1,
         false,
         newFolder},
    };
}
