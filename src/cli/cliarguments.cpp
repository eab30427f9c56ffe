#include "cliarguments.h"

#include <optional>

namespace {

bool looksLikeOption(const QString& argument)
{
    return argument.size() > 1 && argument.startsWith(QLatin1Char('-'));
}

const OptionSpec* findOption(const QList<OptionSpec>& options, const QString& name)
{
    for (const OptionSpec& option : options)
        if (option.name == name)
            return &option;
    return nullptr;
}

} // namespace

ParsedArguments parseArguments(const QStringList& arguments, const QList<OptionSpec>& options)
{
    ParsedArguments parsed;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (optionsEnded || !looksLikeOption(argument)) {
            parsed.positionals.append(argument);
            continue;
        }
        if (argument == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        QString name;
        std::optional<QString> inlineValue;
        if (argument == QLatin1String("-h")) {
            name = QStringLiteral("help");
        } else if (argument.startsWith(QLatin1String("--"))) {
            name = argument.mid(2);
            const qsizetype equals = name.indexOf(QLatin1Char('='));
            if (equals >= 0) {
                inlineValue = name.mid(equals + 1);
                name.truncate(equals);
            }
        } else {
            throw UsageError(QStringLiteral("不认识的选项“%1”。").arg(argument));
        }
        const OptionSpec* option = findOption(options, name);
        if (!option)
            throw UsageError(QStringLiteral("不认识的选项“--%1”。").arg(name));
        if (!option->repeatable && parsed.isSet(name))
            throw UsageError(QStringLiteral("选项“--%1”只能给一次。").arg(name));
        if (!option->takesValue()) {
            if (inlineValue)
                throw UsageError(QStringLiteral("选项“--%1”不带值。").arg(name));
            parsed.flags.append(name);
            continue;
        }
        if (!inlineValue) {
            if (i + 1 >= arguments.size())
                throw UsageError(
                    QStringLiteral("选项“--%1”缺少值 %2。").arg(name, option->valueName));
            inlineValue = arguments.at(++i);
        }
        parsed.values[name].append(*inlineValue);
    }
    return parsed;
}

QStringList leadingWords(const QStringList& arguments, const QStringList& optionsTakingValues,
                         qsizetype maximum)
{
    QStringList words;
    for (qsizetype i = 0; i < arguments.size() && words.size() < maximum; ++i) {
        const QString& argument = arguments.at(i);
        if (argument == QLatin1String("--"))
            break;
        if (!looksLikeOption(argument)) {
            words.append(argument);
            continue;
        }
        if (argument.startsWith(QLatin1String("--")) && !argument.contains(QLatin1Char('=')) &&
            optionsTakingValues.contains(argument.mid(2)))
            ++i;
    }
    return words;
}
