#include "markdowneditortypes.h"

#include <QMetaEnum>
#include <QVariantMap>

#include <climits>
#include <cmath>

namespace {

QMetaEnum kindEnum()
{
    return QMetaEnum::fromType<MarkdownEditorCommandAction::Kind>();
}

// A whole number held in a QML value (QML numbers arrive as double or int).
std::optional<int> integerValue(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float: {
        const double number = value.toDouble();
        if (std::isfinite(number) && std::trunc(number) == number && number >= INT_MIN &&
            number <= INT_MAX)
            return int(number);
        return std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

} // namespace

MarkdownEditorCommandAction MarkdownEditorCommandAction::heading(int level)
{
    MarkdownEditorCommandAction action(Kind::heading);
    action.m_number = level;
    return action;
}

MarkdownEditorCommandAction MarkdownEditorCommandAction::jumpToHeading(int position)
{
    MarkdownEditorCommandAction action(Kind::jumpToHeading);
    action.m_number = position;
    return action;
}

MarkdownEditorCommandAction MarkdownEditorCommandAction::image(const QString& path)
{
    MarkdownEditorCommandAction action(Kind::image);
    action.m_text = path;
    return action;
}

MarkdownEditorCommandAction MarkdownEditorCommandAction::insertText(const QString& text)
{
    MarkdownEditorCommandAction action(Kind::insertText);
    action.m_text = text;
    return action;
}

MarkdownEditorCommandAction MarkdownEditorCommandAction::contentSearch(const QString& text)
{
    MarkdownEditorCommandAction action(Kind::contentSearch);
    action.m_text = text;
    return action;
}

std::optional<MarkdownEditorCommandAction>
MarkdownEditorCommandAction::fromName(const QString& name, const QVariant& value)
{
    bool known = false;
    const int raw = kindEnum().keyToValue(name.toLatin1().constData(), &known);
    if (!known)
        return std::nullopt;
    MarkdownEditorCommandAction action(static_cast<Kind>(raw));
    if (action.hasNumber()) {
        const std::optional<int> number = integerValue(value);
        if (!number)
            return std::nullopt;
        action.m_number = *number;
    } else if (action.hasText()) {
        if (value.typeId() != QMetaType::QString)
            return std::nullopt;
        action.m_text = value.toString();
    }
    return action;
}

QString MarkdownEditorCommandAction::kindName() const
{
    return QString::fromLatin1(kindEnum().valueToKey(int(m_kind)));
}

bool MarkdownEditorCommandAction::hasText() const
{
    return m_kind == Kind::image || m_kind == Kind::insertText || m_kind == Kind::contentSearch;
}

QJsonObject MarkdownEditorCommandAction::toPageJson() const
{
    QJsonObject object{{QStringLiteral("kind"), kindName()}};
    if (hasNumber())
        object.insert(QStringLiteral("value"), QString::number(m_number));
    else if (hasText())
        object.insert(QStringLiteral("value"), m_text);
    return object;
}

MarkdownEditorCommand MarkdownEditorCommand::make(MarkdownEditorCommandAction action)
{
    return MarkdownEditorCommand(QUuid::createUuid(), std::move(action));
}

std::optional<MarkdownEditorCommand> MarkdownEditorCommand::fromVariant(const QVariant& value)
{
    if (value.metaType() == QMetaType::fromType<MarkdownEditorCommand>())
        return value.value<MarkdownEditorCommand>();
    if (value.typeId() != QMetaType::QVariantMap)
        return std::nullopt;
    const QVariantMap map = value.toMap();
    const QUuid id = QUuid::fromString(map.value(QStringLiteral("id")).toString());
    if (id.isNull())
        return std::nullopt;
    const std::optional<MarkdownEditorCommandAction> action = MarkdownEditorCommandAction::fromName(
        map.value(QStringLiteral("kind")).toString(), map.value(QStringLiteral("value")));
    if (!action)
        return std::nullopt;
    return MarkdownEditorCommand(id, *action);
}

QVariant MarkdownEditorCommands::command(const QString& kind, const QVariant& value) const
{
    const std::optional<MarkdownEditorCommandAction> action =
        MarkdownEditorCommandAction::fromName(kind, value);
    if (!action)
        return {};
    return QVariant::fromValue(MarkdownEditorCommand::make(*action));
}
