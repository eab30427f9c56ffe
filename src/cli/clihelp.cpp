#include "clihelp.h"

#include "textlayout.h"

QList<CommandGroup> commandGroups()
{
    return {
        {QStringLiteral("记录"), memoCommands()},
        {QStringLiteral("今日待办"), todoCommands()},
        {QStringLiteral("笔记和文件夹"), noteCommands()},
        {QStringLiteral("搜索"), searchCommands()},
    };
}

QList<OptionSpec> globalOptions()
{
    return {
        {QStringLiteral("vault"), QStringLiteral("目录"),
         QStringLiteral(
             "笔记仓库文件夹（默认取环境变量 LARCH_VAULT，再取 Larch Notes 记住的仓库）"),
         false, OptionSpec::ValueKind::folder},
        {QStringLiteral("help"), {}, QStringLiteral("显示帮助"), false},
    };
}

QList<OptionSpec> commandOptions(const Command& command)
{
    QList<OptionSpec> options = command.options;
    if (command.listing)
        options.append(jsonOption());
    return options + globalOptions();
}

QString optionUsage(const OptionSpec& option)
{
    QString usage = QStringLiteral("--") + option.name;
    if (option.takesValue())
        usage += QLatin1Char(' ') + option.valueName;
    return usage;
}

QString usageLine(const Command& command)
{
    QStringList parts{QStringLiteral("larch"), command.words()};
    if (!command.arguments.isEmpty())
        parts.append(command.arguments);
    for (const OptionSpec& option : command.options) {
        if (option.name == QLatin1String("json"))
            continue;
        parts.append(QLatin1Char('[') + optionUsage(option) + QLatin1Char(']') +
                     (option.repeatable ? QStringLiteral("...") : QString()));
    }
    if (command.listing)
        parts.append(QStringLiteral("[--json]"));
    return parts.join(QLatin1Char(' '));
}

namespace {

QString optionTable(const QList<OptionSpec>& options)
{
    QList<QStringList> rows;
    for (const OptionSpec& option : options) {
        const QString name = option.name == QLatin1String("help") ? QStringLiteral("-h, --help")
                                                                  : optionUsage(option);
        rows.append({QStringLiteral("  ") + name, option.description});
    }
    return alignedRows(rows, 1000);
}

} // namespace

QString programIntroduction()
{
    return QStringLiteral(
        "larch：Larch Notes 的命令行伙伴。在终端、启动器或脚本里记录想法、添加待办、查找笔记，\n"
        "读写的就是 Larch Notes 使用的那个笔记仓库（全是普通的 Markdown 文件）。\n");
}

QString programNotes()
{
    return QStringLiteral(
        "路径都是仓库内的相对路径，例如 Notes/计划.md；文本写成 - 时从标准输入读取。\n"
        "以 - 开头的文本要放在 -- 之后，例如 larch memo add -- \"-5 度，下雪\"。\n"
        "记录编号可以只写开头几位（列表里显示的就是），只要不与别的记录重复。\n"
        "日期写成 YYYY-MM-DD。列表命令加 --json 输出一份稳定的 JSON 文档。\n"
        "退出状态：0 成功；1 操作失败（原因写到标准错误）；2 命令行有误或没有选择仓库。\n");
}

QString overview()
{
    QString text =
        programIntroduction() + QStringLiteral("\n用法：larch [--vault 目录] 命令 [参数] [选项]\n");
    for (const CommandGroup& group : commandGroups()) {
        text += QLatin1Char('\n') + group.title + QStringLiteral("\n");
        QList<QStringList> rows;
        for (const Command& command : group.commands) {
            QString usage = usageLine(command).mid(QStringLiteral("larch ").size());
            rows.append({QStringLiteral("  ") + usage});
            rows.append({QStringLiteral("      ") + command.summary});
        }
        text += alignedRows(rows, 1000);
    }
    text += QStringLiteral("\n通用选项\n") + optionTable(globalOptions());
    text += QLatin1Char('\n') + programNotes() +
            QStringLiteral("每个命令后加 --help 查看它的说明，例如 larch memo add --help。\n");
    return text;
}

QString commandHelp(const Command& command)
{
    QString text = QStringLiteral("用法：") + usageLine(command) + QStringLiteral("\n\n") +
                   command.summary + QStringLiteral("\n");
    if (!command.details.isEmpty())
        text += command.details + QStringLiteral("\n");
    text += QStringLiteral("\n选项\n") + optionTable(commandOptions(command));
    return text;
}

QString wordHelp(const QString& word)
{
    QString text;
    for (const CommandGroup& group : commandGroups())
        for (const Command& command : group.commands)
            if (command.group == word)
                text += QStringLiteral("  ") + usageLine(command) + QStringLiteral("\n      ") +
                        command.summary + QLatin1Char('\n');
    if (!text.isEmpty())
        text += QStringLiteral("\n每个命令后加 --help 查看它的说明。\n");
    return text;
}
