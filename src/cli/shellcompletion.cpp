#include "clidocs.h"

#include "clihelp.h"

#include <QStringList>

#include <optional>

namespace {

QString optionWords(const QList<OptionSpec>& options)
{
    QStringList words;
    for (const OptionSpec& option : options)
        words.append(QStringLiteral("--") + option.name);
    return words.join(QLatin1Char(' '));
}

// Every option that takes a value, each once, for the skipping of values and for completing them.
QList<OptionSpec> optionsWithValues()
{
    QList<OptionSpec> found;
    QStringList names;
    const auto add = [&](const QList<OptionSpec>& options) {
        for (const OptionSpec& option : options) {
            if (option.takesValue() && !names.contains(option.name)) {
                names.append(option.name);
                found.append(option);
            }
        }
    };
    add(globalOptions());
    for (const CommandGroup& group : commandGroups())
        for (const Command& command : group.commands)
            add(command.options);
    return found;
}

// The options as a `case` pattern: those whose value is of `kind`, or all of them.
QString patternOf(const QList<OptionSpec>& options,
                  std::optional<OptionSpec::ValueKind> kind = std::nullopt)
{
    QStringList names;
    for (const OptionSpec& option : options)
        if (!kind || option.valueKind == *kind)
            names.append(QStringLiteral("--") + option.name);
    return names.join(QLatin1Char('|'));
}

// `compgen` over a word list into COMPREPLY, one candidate a line so none is split.
QString offer(const QString& generator)
{
    return QStringLiteral("mapfile -t COMPREPLY < <(compgen %1 -- \"$cur\")").arg(generator);
}

// The first words of command lines: "help", then the groups and the one-word commands.
QStringList firstWords()
{
    QStringList words{QStringLiteral("help")};
    for (const CommandGroup& group : commandGroups())
        for (const Command& command : group.commands)
            if (!words.contains(command.group.isEmpty() ? command.name : command.group))
                words.append(command.group.isEmpty() ? command.name : command.group);
    return words;
}

// The `case` branch of a first word: a one-word command sets its options; a group offers its
// commands' names, and once one is typed sets that command's options.
QString firstWordCase(const QString& first)
{
    QStringList names;
    QString secondCases;
    for (const CommandGroup& group : commandGroups()) {
        for (const Command& command : group.commands) {
            const QString options = optionWords(commandOptions(command));
            if (command.group.isEmpty() && command.name == first)
                return QStringLiteral("        %1) options=\"%2\" ;;\n").arg(first, options);
            if (command.group == first) {
                names.append(command.name);
                secondCases += QStringLiteral("                %1) options=\"%2\" ;;\n")
                                   .arg(command.name, options);
            }
        }
    }
    return QStringLiteral("        %1)\n"
                          "            case ${words[1]-} in\n"
                          "                \"\")\n"
                          "                    if [[ $cur != -* ]]; then\n"
                          "                        %2\n"
                          "                        return\n"
                          "                    fi ;;\n"
                          "%3"
                          "            esac ;;\n")
        .arg(first, offer(QStringLiteral("-W \"%1\"").arg(names.join(QLatin1Char(' ')))),
             secondCases);
}

} // namespace

QString bashCompletionScript()
{
    const QList<OptionSpec> valued = optionsWithValues();
    const QString folderOptions = patternOf(valued, OptionSpec::ValueKind::folder);
    const QString fileOptions = patternOf(valued, OptionSpec::ValueKind::file);
    const QString allValued = patternOf(valued);
    const QStringList first = firstWords();

    QString script = QStringLiteral(
        "# bash completion for larch                                 -*- shell-script -*-\n"
        "# Made from larch's command table when the program is built; do not edit.\n"
        "\n"
        "_larch()\n"
        "{\n"
        "    local cur=${COMP_WORDS[COMP_CWORD]} prev=\n"
        "    ((COMP_CWORD > 0)) && prev=${COMP_WORDS[COMP_CWORD - 1]}\n"
        "    COMPREPLY=()\n"
        "\n"
        "    case $prev in\n");
    // Folders after an option naming one, files (and folders to reach them) after the others.
    for (const auto& [names, generator] : {std::pair{folderOptions, QStringLiteral("-d")},
                                           std::pair{fileOptions, QStringLiteral("-f")}}) {
        if (!names.isEmpty())
            script += QStringLiteral("        %1)\n"
                                     "            compopt -o filenames 2>/dev/null\n"
                                     "            %2\n"
                                     "            return ;;\n")
                          .arg(names, offer(generator));
    }
    script += QStringLiteral("        %1)\n"
                             "            return ;;\n"
                             "    esac\n"
                             "\n"
                             "    # The command's words typed so far; options and their values are "
                             "skipped.\n"
                             "    local i words=()\n"
                             "    for ((i = 1; i < COMP_CWORD; i++)); do\n"
                             "        case ${COMP_WORDS[i]} in\n"
                             "            --) return ;;\n"
                             "            %1) ((i++)) ;;\n"
                             "            -*) ;;\n"
                             "            *) words+=(\"${COMP_WORDS[i]}\") ;;\n"
                             "        esac\n"
                             "    done\n"
                             "\n"
                             "    local options=\"%2\"\n"
                             "    case ${words[0]-} in\n"
                             "        \"\")\n"
                             "            if [[ $cur != -* ]]; then\n"
                             "                %3\n"
                             "                return\n"
                             "            fi ;;\n")
                  .arg(allValued, optionWords(globalOptions()),
                       offer(QStringLiteral("-W \"%1\"").arg(first.join(QLatin1Char(' ')))));
    for (const QString& word : first.mid(1))
        script += firstWordCase(word);
    script += QStringLiteral("    esac\n"
                             "    if [[ $cur == -* ]]; then\n"
                             "        %1\n"
                             "    fi\n"
                             "}\n"
                             "complete -F _larch larch\n")
                  .arg(offer(QStringLiteral("-W \"$options\"")));
    return script;
}
