#pragma once

#include "cliarguments.h"
#include "larchcli.h"

#include <QDate>
#include <QDateTime>
#include <QJsonDocument>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

class VaultRepository;
class CommandContext;

// One command of the program: its words ("memo", "add"), what it takes and what it does.
struct Command
{
    QString group; // "memo", "todo", ...; empty for a command of one word
    QString name;
    QString arguments; // the positional part of its usage line, e.g. "编号 文本"
    QString summary;   // one line for the overview
    QString details;   // further lines for its own help (may be empty)
    QList<OptionSpec> options;
    int minimumPositionals = 0;
    int maximumPositionals = 0; // -1: no limit
    bool listing = false;       // accepts --json
    void (*run)(CommandContext& context) = nullptr;

    QString words() const { return group.isEmpty() ? name : group + QLatin1Char(' ') + name; }
};

// Everything a running command needs: its arguments, the vault, the streams and the time.
class CommandContext
{
public:
    CommandContext(const ParsedArguments& arguments, CliIo& io, VaultRepository& repository,
                   QDateTime now);

    const ParsedArguments& arguments() const { return m_arguments; }
    VaultRepository& repository() const { return m_repository; }
    CliIo& io() const { return m_io; }
    QDateTime now() const { return m_now; }
    bool wantsJson() const { return m_arguments.isSet(QStringLiteral("json")); }

    QString positional(qsizetype index) const { return m_arguments.positionals.value(index); }

    // A text argument: "-" reads all of standard input (strict UTF-8), once.
    QString textArgument(qsizetype index) const;
    QString readStandardInput() const;

    // A vault-relative path typed by the user, in its canonical form (no "." pieces, no
    // doubled or trailing "/"). Throws VaultError::invalidPath when it leaves the vault.
    QString vaultPathArgument(const QString& typed) const;
    // The option's vault-relative path, or nothing when the option was not given.
    std::optional<QString> vaultPathOption(const QString& name) const;

    // The --day option as a date, or nothing; throws UsageError when it is not YYYY-MM-DD.
    std::optional<QDate> dayOption() const;

    // Writes a finished JSON document, indented, to standard output.
    void printJson(const QJsonDocument& document) const;
    // Writes text to standard output as it stands.
    void print(const QString& text) const;

private:
    const ParsedArguments& m_arguments;
    CliIo& m_io;
    VaultRepository& m_repository;
    QDateTime m_now;
    mutable bool m_standardInputUsed = false;
};

// The option every listing shares.
OptionSpec jsonOption();

// The commands of each group, in the order the overview shows them.
QList<Command> memoCommands();
QList<Command> todoCommands();
QList<Command> noteCommands();
QList<Command> searchCommands();
