#include "clicommand.h"
#include "jsonoutput.h"
#include "memocontent.h"
#include "memolookup.h"
#include "search.h"
#include "textlayout.h"

#include "vaultrepository.h"

#include <QJsonArray>

namespace {

// --memos and --notes choose the kinds; a --day alone asks about memos, a --folder alone about
// articles, since each filter applies to one kind only.
struct SearchKinds
{
    bool notes = true;
    bool memos = true;
};

SearchKinds searchKinds(const ParsedArguments& arguments)
{
    const bool onlyMemos = arguments.isSet(QStringLiteral("memos"));
    const bool onlyNotes = arguments.isSet(QStringLiteral("notes"));
    const bool day = arguments.isSet(QStringLiteral("day"));
    const bool folder = arguments.isSet(QStringLiteral("folder"));
    if (onlyMemos && onlyNotes)
        throw UsageError(QStringLiteral("--memos 和 --notes 只能选一个。"));
    if (onlyNotes && day)
        throw UsageError(QStringLiteral("--day 只用于搜索记录，不能和 --notes 一起用。"));
    if (onlyMemos && folder)
        throw UsageError(QStringLiteral("--folder 只用于搜索笔记，不能和 --memos 一起用。"));
    if (onlyMemos)
        return {false, true};
    if (onlyNotes)
        return {true, false};
    if (day && !folder)
        return {false, true};
    if (folder && !day)
        return {true, false};
    return {};
}

void search(CommandContext& context)
{
    const QString query = context.positional(0);
    const SearchKinds kinds = searchKinds(context.arguments());
    const std::optional<QString> folder = context.vaultPathOption(QStringLiteral("folder"));
    const std::optional<QDate> day = context.dayOption();

    QList<NoteSummary> notes;
    if (kinds.notes) {
        VaultSnapshot snapshot = context.repository().loadSnapshot();
        if (!snapshot.searchIndex) {
            // Indexed once, then kept in the start-up cache for the next searches.
            context.repository().buildSearchIndex();
            snapshot = context.repository().loadSnapshot();
        }
        notes = searchArticles(snapshot.notes, buildNoteSearchIndex(snapshot), query, folder);
    }
    QList<MemoRecord> allMemos;
    QList<MemoRecord> memos;
    if (kinds.memos) {
        allMemos = context.repository().loadMemos();
        memos = searchMemos(allMemos, buildMemoSearchIndex(allMemos), query, day);
    }

    if (context.wantsJson()) {
        QJsonArray noteArray;
        for (const NoteSummary& note : notes)
            noteArray.append(noteJson(note));
        QJsonArray memoArray;
        for (const MemoRecord& memo : memos)
            memoArray.append(memoJson(memo));
        context.printJson(QJsonDocument(QJsonObject{{QStringLiteral("notes"), noteArray},
                                                    {QStringLiteral("memos"), memoArray}}));
        return;
    }
    if (notes.isEmpty() && memos.isEmpty()) {
        context.print(QStringLiteral("没有找到。\n"));
        return;
    }
    const int columns = context.io().terminalColumns;
    QString text;
    if (!notes.isEmpty()) {
        QList<QStringList> rows;
        for (const NoteSummary& note : notes)
            rows.append({displayDateTime(note.modifiedAt), note.path, singleLine(note.preview)});
        text += QStringLiteral("笔记\n") + alignedRows(rows, columns);
    }
    if (!memos.isEmpty()) {
        const int idLength = shortMemoIdLength(allMemos);
        QList<QStringList> rows;
        for (const MemoRecord& memo : memos)
            rows.append({displayDateTime(memo.createdAt), shortMemoId(memo.id, idLength),
                         singleLine(plainText(memo))});
        if (!text.isEmpty())
            text += QLatin1Char('\n');
        text += QStringLiteral("记录\n") + alignedRows(rows, columns);
    }
    context.print(text);
}

} // namespace

QList<Command> searchCommands()
{
    return {
        {QString(),
         QStringLiteral("search"),
         QStringLiteral("查询"),
         QStringLiteral("搜索笔记和记录，排序与 Larch Notes 相同"),
         QStringLiteral(
             "查询按空白分成几个词，笔记或记录要包含每一个词（不分大小写、全半角和重音）。\n"
             "笔记按标题与查询的吻合程度、再按修改时间排序；记录按时间排序。\n"
             "只给 --day 时只搜索记录，只给 --folder 时只搜索笔记。"),
         {{QStringLiteral("memos"), {}, QStringLiteral("只搜索记录"), false},
          {QStringLiteral("notes"), {}, QStringLiteral("只搜索笔记"), false},
          {QStringLiteral("day"), QStringLiteral("日期"), QStringLiteral("只搜索这一天的记录"),
           false},
          {QStringLiteral("folder"), QStringLiteral("路径"),
           QStringLiteral("只搜索这个文件夹及其子文件夹里的笔记"), false}},
         1,
         1,
         true,
         search},
    };
}
