#include "larchcli.h"

#include "clicommand.h"
#include "clihelp.h"
#include "recordstore.h"
#include "vaulterror.h"
#include "vaultlocation.h"
#include "vaultrepository.h"

#include <QTextStream>

namespace {

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
    ParsedArguments parsed = parseArguments(arguments, commandOptions(command));
    // The command's own words come first among the positionals.
    const qsizetype wordCount = command.group.isEmpty() ? 1 : 2;
    parsed.positionals.remove(0, wordCount);
    checkPositionalCount(command, parsed);

    const QString vault =
        locateVault(parsed.value(QStringLiteral("vault")), io.environment, io.applicationSettings);
    // The process ends with the command: the repository, and every record it read, is left to
    // the end of the process rather than freed piece by piece.
    VaultRepository& repository = *new VaultRepository(vault);
    // One command reads the vault once: watching it for changes would not pay.
    repository.records().setWatching(false);
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
    // What the command read serves the next start (of the program or of the application).
    repository.saveStartupCache();
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
