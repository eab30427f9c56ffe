#pragma once

#include "clicommand.h"

#include <QList>
#include <QString>

// The program's command table and the texts made from it. The help, the shell completion and
// the manual page all read this one table, so they cannot disagree with what the program does.

// A heading of the overview and the commands listed under it.
struct CommandGroup
{
    QString title;
    QList<Command> commands;
};

// Every command, grouped, in the order the overview shows them.
QList<CommandGroup> commandGroups();
// The options every command accepts (--vault, --help).
QList<OptionSpec> globalOptions();
// Everything `command` accepts, in help order: its own options, --json for a listing, then the
// global ones.
QList<OptionSpec> commandOptions(const Command& command);

// "--name" or "--name VALUE".
QString optionUsage(const OptionSpec& option);
// "larch memo add 文本 [--image 文件]... [--folder 路径]".
QString usageLine(const Command& command);

// What the program is for, before the list of commands.
QString programIntroduction();
// Paths, standard input, ids, dates, --json and the exit statuses, after the list of commands.
QString programNotes();

// `larch --help`: every command with its summary, the global options and the notes.
QString overview();
// `larch memo add --help`.
QString commandHelp(const Command& command);
// The commands whose first word is `word`, with their usage and summary; empty when none.
QString wordHelp(const QString& word);
