#include "clicommand.h"
#include "jsonoutput.h"
#include "librarycontroller.h"
#include "textlayout.h"

#include "journal.h"
#include "vaulterror.h"
#include "vaultrepository.h"

#include <QJsonArray>

namespace {

// Today's list as the application shows it: yesterday's unfinished items are carried over first
// (in memory, when the vault cannot be written).
QList<DailyTodoItem> todayTodos(const CommandContext& context)
{
    return context.repository().rollOverDailyTodos(context.now());
}

// The position of the item a person numbered from 1.
qsizetype itemIndex(const CommandContext& context, const QList<DailyTodoItem>& todos)
{
    const QString typed = context.positional(0);
    bool isNumber = false;
    const int number = typed.toInt(&isNumber);
    if (!isNumber)
        throw UsageError(
            QStringLiteral("待办序号“%1”无效，请写 todo list 里显示的数字。").arg(typed));
    if (number < 1 || number > todos.size())
        throw CommandError(QStringLiteral("今日待办里没有第 %1 项。").arg(typed));
    return number - 1;
}

void listTodos(CommandContext& context)
{
    const QList<DailyTodoItem> todos = todayTodos(context);
    const QString today = journalDayName(context.now());
    if (context.wantsJson()) {
        QJsonArray array;
        for (qsizetype i = 0; i < todos.size(); ++i)
            array.append(todoJson(todos.at(i), int(i + 1)));
        context.printJson(QJsonDocument(
            QJsonObject{{QStringLiteral("date"), today}, {QStringLiteral("todos"), array}}));
        return;
    }
    if (todos.isEmpty()) {
        context.print(QStringLiteral("今日没有待办。\n"));
        return;
    }
    QList<QStringList> rows;
    for (qsizetype i = 0; i < todos.size(); ++i) {
        const DailyTodoItem& item = todos.at(i);
        QString text = item.text;
        const QString createdDay = journalDayName(item.createdAt);
        if (createdDay != today)
            text += QStringLiteral("（%1 起）").arg(createdDay);
        rows.append({QString::number(i + 1).rightJustified(2),
                     item.isCompleted ? QStringLiteral("[x]") : QStringLiteral("[ ]"), text});
    }
    context.print(alignedRows(rows, context.io().terminalColumns));
}

void addTodos(CommandContext& context)
{
    QStringList texts;
    for (qsizetype i = 0; i < context.arguments().positionals.size(); ++i)
        texts += LibraryController::todoLines(context.textArgument(i));
    if (texts.isEmpty())
        throw VaultError(VaultError::invalidName);
    todayTodos(context);
    context.repository().addDailyTodos(texts, context.now());
}

// Changes go to the list as it is on disk: another program may have changed it since.
void completeTodo(CommandContext& context)
{
    const QList<DailyTodoItem> todos = todayTodos(context);
    const DailyTodoItem& item = todos.at(itemIndex(context, todos));
    const bool completed = !context.arguments().isSet(QStringLiteral("undo"));
    if (item.isCompleted != completed)
        context.repository().setDailyTodoCompleted(item, completed, context.now());
}

void removeTodo(CommandContext& context)
{
    const QList<DailyTodoItem> todos = todayTodos(context);
    context.repository().removeDailyTodo(todos.at(itemIndex(context, todos)), context.now());
}

} // namespace

QList<Command> todoCommands()
{
    const QString todo = QStringLiteral("todo");
    return {
        {todo,
         QStringLiteral("list"),
         QString(),
         QStringLiteral("列出今日待办"),
         QStringLiteral("昨天没做完的待办会先转到今天，和 Larch Notes 打开仓库时一样。"),
         {},
         0,
         0,
         true,
         listTodos},
        {todo,
         QStringLiteral("add"),
         QStringLiteral("文本..."),
         QStringLiteral("加入今日待办，每行一项"),
         QStringLiteral("每个参数里的每一行是一项，空行略过；写成 - 时从标准输入读取。"),
         {},
         1,
         -1,
         false,
         addTodos},
        {todo,
         QStringLiteral("done"),
         QStringLiteral("序号"),
         QStringLiteral("勾选一项待办（序号见 todo list）"),
         QString(),
         {{QStringLiteral("undo"), {}, QStringLiteral("取消勾选"), false}},
         1,
         1,
         false,
         completeTodo},
        {todo,
         QStringLiteral("remove"),
         QStringLiteral("序号"),
         QStringLiteral("删除一项待办（序号见 todo list）"),
         QString(),
         {},
         1,
         1,
         false,
         removeTodo},
    };
}
