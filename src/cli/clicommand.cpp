#include "clicommand.h"

#include "fileio.h"
#include "vaultrepository.h"

#include <QIODevice>
#include <QTextStream>

CommandContext::CommandContext(const ParsedArguments& arguments, CliIo& io,
                               VaultRepository& repository, QDateTime now)
    : m_arguments(arguments), m_io(io), m_repository(repository), m_now(std::move(now))
{
}

QString CommandContext::textArgument(qsizetype index) const
{
    const QString argument = positional(index);
    return argument == QLatin1String("-") ? readStandardInput() : argument;
}

QString CommandContext::readStandardInput() const
{
    if (m_standardInputUsed)
        throw UsageError(QStringLiteral("标准输入只能读取一次。"));
    m_standardInputUsed = true;
    const std::optional<QString> text = decodeUtf8Strict(m_io.in.readAll());
    if (!text)
        throw UsageError(QStringLiteral("标准输入不是有效的 UTF-8 文本。"));
    return *text;
}

QString CommandContext::vaultPathArgument(const QString& typed) const
{
    return m_repository.relativeVaultPath(m_repository.resolveVaultPath(typed));
}

std::optional<QString> CommandContext::vaultPathOption(const QString& name) const
{
    if (!m_arguments.isSet(name))
        return std::nullopt;
    return vaultPathArgument(m_arguments.value(name));
}

std::optional<QDate> CommandContext::dayOption() const
{
    if (!m_arguments.isSet(QStringLiteral("day")))
        return std::nullopt;
    const QString typed = m_arguments.value(QStringLiteral("day"));
    const QDate day = QDate::fromString(typed, QStringLiteral("yyyy-MM-dd"));
    if (!day.isValid() || typed.size() != 10)
        throw UsageError(
            QStringLiteral("日期“%1”无效，请写成 YYYY-MM-DD，例如 2024-05-01。").arg(typed));
    return day;
}

void CommandContext::printJson(const QJsonDocument& document) const
{
    m_io.out << QString::fromUtf8(document.toJson(QJsonDocument::Indented));
}

void CommandContext::print(const QString& text) const
{
    m_io.out << text;
}

OptionSpec jsonOption()
{
    return {QStringLiteral("json"), {}, QStringLiteral("以 JSON 输出，供脚本使用"), false};
}
