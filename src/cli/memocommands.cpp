#include "clicommand.h"
#include "jsonoutput.h"
#include "memocontent.h"
#include "memolookup.h"
#include "search.h"
#include "textlayout.h"

#include "fileio.h"
#include "vaulterror.h"
#include "vaultpaths.h"
#include "vaultrepository.h"

#include <QJsonArray>
#include <QMimeDatabase>

namespace {

// Reads every image and checks its type before anything is stored, so that a bad image leaves
// the vault untouched.
struct PendingImage
{
    QByteArray bytes;
    QString declaredType;
};

QList<PendingImage> readImages(const QStringList& files)
{
    const QMimeDatabase types;
    QList<PendingImage> images;
    for (const QString& file : files) {
        // The type comes from the file's extension, as a picked file declares it.
        const QString type = types.mimeTypeForFile(file, QMimeDatabase::MatchExtension).name();
        if (attachmentExtension(type).isEmpty())
            throw VaultError(VaultError::unsupportedAttachment);
        images.append({readFileBytes(file), type});
    }
    return images;
}

void addMemo(CommandContext& context)
{
    const QString text = context.textArgument(0);
    const QString folder = context.vaultPathOption(QStringLiteral("folder")).value_or(QString());
    const QList<PendingImage> images =
        readImages(context.arguments().allValues(QStringLiteral("image")));

    QStringList imagePaths;
    for (const PendingImage& image : images)
        imagePaths.append(context.repository()
                              .storeImageAttachment(image.bytes, image.declaredType)
                              .markdownPath);
    const MemoRecord memo =
        context.repository().createMemo(trimmedText(text), context.now(), folder, imagePaths);
    context.print(memo.id + QLatin1Char('\n'));
}

void printMemoRows(CommandContext& context, const QList<MemoRecord>& memos,
                   const QList<MemoRecord>& allMemos)
{
    const int idLength = shortMemoIdLength(allMemos);
    QList<QStringList> rows;
    for (const MemoRecord& memo : memos)
        rows.append({displayDateTime(memo.createdAt), shortMemoId(memo.id, idLength),
                     singleLine(plainText(memo))});
    context.print(alignedRows(rows, context.io().terminalColumns));
}

QJsonArray memoArray(const QList<MemoRecord>& memos)
{
    QJsonArray array;
    for (const MemoRecord& memo : memos)
        array.append(memoJson(memo));
    return array;
}

void listMemos(CommandContext& context)
{
    const QList<MemoRecord> all = context.repository().loadMemos();
    QList<MemoRecord> shown = all;
    if (const std::optional<QDate> day = context.dayOption())
        shown = searchMemos(all, buildMemoSearchIndex(all), QString(), day);
    if (context.wantsJson()) {
        context.printJson(QJsonDocument(QJsonObject{{QStringLiteral("memos"), memoArray(shown)}}));
        return;
    }
    if (shown.isEmpty()) {
        context.print(QStringLiteral("没有记录。\n"));
        return;
    }
    printMemoRows(context, shown, all);
}

void showMemo(CommandContext& context)
{
    const MemoRecord memo = findMemo(context.repository().loadMemos(), context.positional(0));
    if (context.wantsJson()) {
        context.printJson(QJsonDocument(memoJson(memo)));
        return;
    }
    QList<QStringList> rows{{QStringLiteral("编号"), memo.id},
                            {QStringLiteral("时间"), displayDateTime(memo.createdAt)},
                            {QStringLiteral("文件"), memo.journalPath}};
    if (!memo.folderPath.isEmpty())
        rows.append({QStringLiteral("文件夹"), memo.folderPath});
    const QStringList tags = memoTags(memo.markdown);
    if (!tags.isEmpty())
        rows.append({QStringLiteral("标签"), QLatin1Char('#') + tags.join(QStringLiteral(" #"))});
    context.print(alignedRows(rows, 1000) + QLatin1Char('\n') + memo.markdown + QLatin1Char('\n'));
}

void addFollowUp(CommandContext& context)
{
    const MemoRecord memo = findMemo(context.repository().loadMemos(), context.positional(0));
    context.repository().appendFollowUp(memo.id, context.textArgument(1), context.now());
}

void editMemo(CommandContext& context)
{
    const MemoRecord memo = findMemo(context.repository().loadMemos(), context.positional(0));
    const QString text = trimmedText(context.textArgument(1));
    // As the inline editor saves: the new text replaces the memo's own text, its images and
    // follow-ups stay; an empty text leaves just those. A memo that stands for an article is
    // edited in the article.
    if (referencedArticleLink(memo))
        throw CommandError(QStringLiteral("这条记录链接到一篇笔记，请直接编辑那篇笔记。"));
    context.repository().updateMemo(memo.id, replacingPrimaryText(memo, text));
}

void deleteMemo(CommandContext& context)
{
    const MemoRecord memo = findMemo(context.repository().loadMemos(), context.positional(0));
    context.repository().deleteMemo(memo.id);
}

void promoteMemo(CommandContext& context)
{
    const MemoRecord memo = findMemo(context.repository().loadMemos(), context.positional(0));
    const QString folder = context.vaultPathOption(QStringLiteral("folder")).value_or(QString());
    const NoteDocument document =
        context.repository().convertMemoToNote(memo.id, context.positional(1), folder);
    context.print(document.path + QLatin1Char('\n'));
}

OptionSpec folderOption(const QString& description)
{
    return {QStringLiteral("folder"), QStringLiteral("路径"), description, false};
}

} // namespace

QList<Command> memoCommands()
{
    const QString memo = QStringLiteral("memo");
    return {
        {memo,
         QStringLiteral("add"),
         QStringLiteral("文本"),
         QStringLiteral("记一条新记录，输出它的编号"),
         QStringLiteral(
             "文本写成 - 时从标准输入读取；以 - 开头的文本要放在 -- 之后，例如\n"
             "larch memo add -- \"-5 度，下雪\"。每个 --image 的图片存进仓库的 Attachments，\n"
             "并按写入的顺序链接在文本之后；图片类型由扩展名决定（png、jpg、gif、webp、heic）。"),
         {{QStringLiteral("image"), QStringLiteral("文件"),
           QStringLiteral("附上一张图片，可以重复"), true, OptionSpec::ValueKind::file},
          folderOption(QStringLiteral("把记录归到这个文件夹"))},
         1,
         1,
         false,
         addMemo},
        {memo,
         QStringLiteral("list"),
         QString(),
         QStringLiteral("按时间列出记录（最新的在最后）"),
         QString(),
         {{QStringLiteral("day"), QStringLiteral("日期"), QStringLiteral("只列出这一天的记录"),
           false}},
         0,
         0,
         true,
         listMemos},
        {memo,
         QStringLiteral("show"),
         QStringLiteral("编号"),
         QStringLiteral("显示一条记录的全文"),
         QString(),
         {},
         1,
         1,
         true,
         showMemo},
        {memo,
         QStringLiteral("follow-up"),
         QStringLiteral("编号 文本"),
         QStringLiteral("给记录加一段续记"),
         QStringLiteral("文本写成 - 时从标准输入读取。"),
         {},
         2,
         2,
         false,
         addFollowUp},
        {memo,
         QStringLiteral("edit"),
         QStringLiteral("编号 文本"),
         QStringLiteral("改写记录的正文，图片和续记保留"),
         QStringLiteral("文本写成 - 时从标准输入读取；写成 \"\" 时只留下图片和续记。\n"
                        "以 - 开头的文本要放在 -- 之后，例如 larch memo edit 3f2b -- \"-5 度\"。"),
         {},
         2,
         2,
         false,
         editMemo},
        {memo,
         QStringLiteral("delete"),
         QStringLiteral("编号"),
         QStringLiteral("删除一条记录"),
         QString(),
         {},
         1,
         1,
         false,
         deleteMemo},
        {memo,
         QStringLiteral("promote"),
         QStringLiteral("编号 标题"),
         QStringLiteral("把记录转成一篇笔记，输出笔记的路径"),
         QStringLiteral("记录本身变成指向新笔记的链接。"),
         {folderOption(QStringLiteral("笔记放进这个文件夹（默认仓库根目录），不存在时会创建"))},
         2,
         2,
         false,
         promoteMemo},
    };
}
