#pragma once

#include "clierrors.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

// One option of a command, written "--name" (and "--name VALUE" or "--name=VALUE" when it
// takes a value).
struct OptionSpec
{
    // What a value names, so that shell completion can offer folders or files.
    enum class ValueKind { text, folder, file };

    QString name;      // without the dashes
    QString valueName; // empty for a flag
    QString description;
    bool repeatable = false;
    ValueKind valueKind = ValueKind::text;

    bool takesValue() const { return !valueName.isEmpty(); }
};

struct ParsedArguments
{
    QStringList positionals;
    QHash<QString, QStringList> values; // every value of each option given, in order
    QStringList flags;                  // flags given

    bool isSet(const QString& name) const { return flags.contains(name) || values.contains(name); }
    // The option's value, or `fallback` when it was not given.
    QString value(const QString& name, const QString& fallback = {}) const
    {
        const auto found = values.constFind(name);
        return found == values.constEnd() ? fallback : found->constLast();
    }
    QStringList allValues(const QString& name) const { return values.value(name); }
};

// Splits `arguments` into positionals and the options of `options`. Options may stand anywhere;
// "--" ends them, and a lone "-" is a positional (standard input). "-h" is "--help".
// Throws UsageError for an unknown option, a missing value, a value given to a flag, or an
// option given twice that is not repeatable.
ParsedArguments parseArguments(const QStringList& arguments, const QList<OptionSpec>& options);

// The words that name the command (the positionals before the first "--"), skipping the values of
// options that take one. Used to find the command before its own options are known.
QStringList leadingWords(const QStringList& arguments, const QStringList& optionsTakingValues,
                         qsizetype maximum);
