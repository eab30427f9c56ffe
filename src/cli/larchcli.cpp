#include "larchcli.h"

#include "clicommand.h"
#include "textlayout.h"
#include "vaulterror.h"
#include "vaultlocation.h"
#include "vaultrepository.h"

#include <QTextStream>

namespace {

// A heading of the overview and the commands listed under it.
struct CommandGroup
{
    QString title;
    QList<Command> commands;
};

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
         false},
        {QStringLiteral("help"), {}, QStringLiteral("显示帮助"), false},
    };
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

QString overview()
{
    QString text = QStringLiteral(
        "larch：Larch Notes 的命令行伙伴。在终端、启动器或脚本里记录想法、添加待办、查找笔记，\n"
        "读写的就是 Larch Notes 使用的那个笔记仓库（全是普通的 Markdown 文件）。\n\n"
        "用法：larch [--vault 目录] 命令 [参数] [选项]\n");
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
    text += QStringLiteral(
        "\n路径都是仓库内的相对路径，例如 Notes/计划.md；文本写成 - 时从标准输入读取。\n"
        "以 - 开头的文本要放在 -- 之后，例如 larch memo add -- \"-5 度，下雪\"。\n"
        "记录编号可以只写开头几位（列表里显示的就是），只要不与别的记录重复。\n"
        "日期写成 YYYY-MM-DD。列表命令加 --json 输出一份稳定的 JSON 文档。\n"
        "退出状态：0 成功；1 操作失败（原因写到标准错误）；2 命令行有误或没有选择仓库。\n"
        "每个命令后加 --help 查看它的说明，例如 larch memo add --help。\n");
    return text;
}

QString commandHelp(const Command& command)
{
    QString text = QStringLiteral("用法：") + usageLine(command) + QStringLiteral("\n\n") +
                   command.summary + QStringLiteral("\n");
    if (!command.details.isEmpty())
        text += command.details + QStringLiteral("\n");
    QList<OptionSpec> options = command.options;
    if (command.listing)
        options.append(jsonOption());
    options += globalOptions();
    text += QStringLiteral("\n选项\n") + optionTable(options);
    return text;
}

// The commands whose first word is `word`, with their usage and summary.
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

QStringList optionsTakingValues()
{
    QStringList names;
    for (const OptionSpec& option : globalOptions())
        if (option.takesValue())
            names.append(option.name);
    for (const CommandGroup& group : commandGroups())
        for (const Command& command : group.commands)
            for (const OptionSpec& option : command.options)
                if (option.takesValue() && !names.contains(option.name))
                    names.append(option.name);
    return names;
}

bool asksForHelp(const QStringList& arguments)
{
    for (const QString& argument : arguments) {
        if (argument == QLatin1String("--"))
            return false;
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h"))
            return true;
    }
    return false;
}

void checkPositionalCount(const Command& command, const ParsedArguments& parsed)
{
    const qsizetype count = parsed.positionals.size();
    if (count < command.minimumPositionals)
        throw UsageError(QStringLiteral("缺少参数。用法：") + usageLine(command));
    if (command.maximumPositionals >= 0 && count > command.maximumPositionals)
        throw UsageError(QStringLiteral("多余的参数“%1”。用法：")
                             .arg(parsed.positionals.at(command.maximumPositionals)) +
                         usageLine(command));
}

int runCommand(const Command& command, const QStringList& arguments, CliIo& io)
{
    QList<OptionSpec> options = command.options + globalOptions();
    if (command.listing)
        options.append(jsonOption());
    ParsedArguments parsed = parseArguments(arguments, options);
    // The command's own words come first among the positionals.
    const qsizetype wordCount = command.group.isEmpty() ? 1 : 2;
    parsed.positionals.remove(0, wordCount);
    checkPositionalCount(command, parsed);

    const QString vault =
        locateVault(parsed.value(QStringLiteral("vault")), io.environment, io.applicationSettings);
    VaultRepository repository(vault);
    // What the command could not do although it went on goes to standard error, also when it
    // failed later: part of its work may be done.
    const auto printWarnings = [&] {
        for (const VaultWarning& warning : repository.takeWarnings())
            io.err << QStringLiteral("警告：") << warning.text << QLatin1Char('\n');
    };
    try {
        // Every full load of the application starts by preparing the layout; the program sees
        // the vault as the application would.
        repository.prepareLayout();
        CommandContext context(parsed, io, repository, QDateTime::currentDateTime());
        command.run(context);
    } catch (...) {
        printWarnings();
        throw;
    }
    printWarnings();
    return exitSuccess;
}

int dispatch(const QStringList& arguments, CliIo& io)
{
    const QStringList words = leadingWords(arguments, optionsTakingValues(), 2);
    const bool help = asksForHelp(arguments);
    if (words.isEmpty() || words.first() == QLatin1String("help")) {
        if (words.isEmpty() && !help)
            throw UsageError(QStringLiteral("缺少命令。\n\n") + overview());
        io.out << overview();
        return exitSuccess;
    }
    for (const CommandGroup& group : commandGroups()) {
        for (const Command& command : group.commands) {
            const bool matches = command.group.isEmpty()
                                     ? words.first() == command.name
                                     : words.size() == 2 && words.first() == command.group &&
                                           words.at(1) == command.name;
            if (!matches)
                continue;
            if (help) {
                io.out << commandHelp(command);
                return exitSuccess;
            }
            return runCommand(command, arguments, io);
        }
    }
    const QString commandsOfWord = wordHelp(words.first());
    if (!commandsOfWord.isEmpty()) {
        if (help && words.size() == 1) {
            io.out << commandsOfWord;
            return exitSuccess;
        }
        const QString message =
            words.size() == 1
                ? QStringLiteral("“%1”后面缺少子命令。\n\n").arg(words.first())
                : QStringLiteral("不认识的命令“%1 %2”。\n\n").arg(words.first(), words.at(1));
        throw UsageError(message + commandsOfWord);
    }
    throw UsageError(
        QStringLiteral("不认识的命令“%1”。用 larch --help 查看所有命令。").arg(words.first()));
}

} // namespace

int runLarch(const QStringList& arguments, CliIo& io)
{
    int status = exitFailure;
    try {
        status = dispatch(arguments, io);
    } catch (const StorageError& error) {
        io.err << error.localizedDescription() << QLatin1Char('\n');
        status = exitFailure;
    } catch (const CommandError& error) {
        io.err << error.message() << QLatin1Char('\n');
        status = exitFailure;
    } catch (const UsageError& error) {
        io.err << error.message() << QLatin1Char('\n');
        status = exitUsage;
    } catch (const std::exception& error) {
        io.err << QString::fromLocal8Bit(error.what()) << QLatin1Char('\n');
        status = exitFailure;
    }
    io.out.flush();
    io.err.flush();
    return status;
}
