#pragma once

#include <QJsonObject>
#include <QMetaType>
#include <QObject>
#include <QString>
#include <QUuid>
#include <QVariant>
#include <QtQml/qqmlregistration.h>

#include <optional>

// The vocabulary shared by the editor host and the views that embed it: commands sent to the
// editor page, and the outline and caret format it reports back. Plain values, equal by fields.

class MarkdownEditorCommandAction
{
    Q_GADGET
    QML_VALUE_TYPE(markdownEditorCommandAction)
    Q_PROPERTY(QString kind READ kindName CONSTANT)
    Q_PROPERTY(int number READ number CONSTANT)
    Q_PROPERTY(QString text READ text CONSTANT)

public:
    // The first five carry a payload: a number (heading, jumpToHeading) or a text.
    enum class Kind {
        heading,
        image,
        insertText,
        contentSearch,
        jumpToHeading,
        undo,
        redo,
        strong,
        emphasis,
        strike,
        link,
        inlineCode,
        codeBlock,
        bullet,
        ordered,
        task,
        quote,
        table,
        contentSearchNext,
        contentSearchPrevious,
    };
    Q_ENUM(Kind)

    MarkdownEditorCommandAction() = default;
    // An action without payload; for payload kinds use the named constructors.
    explicit MarkdownEditorCommandAction(Kind kind) : m_kind(kind) {}

    static MarkdownEditorCommandAction heading(int level);
    static MarkdownEditorCommandAction jumpToHeading(int position);
    static MarkdownEditorCommandAction image(const QString& path);
    static MarkdownEditorCommandAction insertText(const QString& text);
    static MarkdownEditorCommandAction contentSearch(const QString& text);

    // Builds an action from its case name and payload (a number for heading and jumpToHeading,
    // a string for image, insertText and contentSearch); nothing for an unknown name or a payload
    // of the wrong type.
    static std::optional<MarkdownEditorCommandAction> fromName(const QString& name,
                                                               const QVariant& value = {});

    Kind kind() const { return m_kind; }
    QString kindName() const;
    int number() const { return m_number; }
    QString text() const { return m_text; }
    bool hasNumber() const { return m_kind == Kind::heading || m_kind == Kind::jumpToHeading; }
    bool hasText() const;

    // The object the page's perform-command function takes: "kind" and, for payload kinds,
    // "value" as a string.
    QJsonObject toPageJson() const;

    bool operator==(const MarkdownEditorCommandAction&) const = default;

private:
    Kind m_kind = Kind::undo;
    int m_number = 0;
    QString m_text;
};

class MarkdownEditorCommand
{
    Q_GADGET
    QML_VALUE_TYPE(markdownEditorCommand)
    Q_PROPERTY(QString id READ idText CONSTANT)
    Q_PROPERTY(MarkdownEditorCommandAction action READ action CONSTANT)

public:
    MarkdownEditorCommand() = default;
    MarkdownEditorCommand(QUuid id, MarkdownEditorCommandAction action)
        : m_id(id), m_action(std::move(action))
    {
    }
    // A command with a fresh id: every command the user issues gets one.
    static MarkdownEditorCommand make(MarkdownEditorCommandAction action);

    // Reads a command held in a QML value: a MarkdownEditorCommand, or an object with "id",
    // "kind" and an optional "value". Nothing for null, undefined or anything unreadable.
    static std::optional<MarkdownEditorCommand> fromVariant(const QVariant& value);

    QUuid id() const { return m_id; }
    QString idText() const { return m_id.toString(QUuid::WithoutBraces); }
    MarkdownEditorCommandAction action() const { return m_action; }

    bool operator==(const MarkdownEditorCommand&) const = default;

private:
    QUuid m_id;
    MarkdownEditorCommandAction m_action;
};

class MarkdownEditorFormatState
{
    Q_GADGET
    QML_VALUE_TYPE(markdownEditorFormatState)
    Q_PROPERTY(int headingLevel MEMBER headingLevel)
    Q_PROPERTY(bool strong MEMBER strong)
    Q_PROPERTY(bool emphasis MEMBER emphasis)
    Q_PROPERTY(bool strike MEMBER strike)
    Q_PROPERTY(bool inlineCode MEMBER inlineCode)
    Q_PROPERTY(bool codeBlock MEMBER codeBlock)
    Q_PROPERTY(bool bulletList MEMBER bulletList)
    Q_PROPERTY(bool orderedList MEMBER orderedList)
    Q_PROPERTY(bool taskList MEMBER taskList)
    Q_PROPERTY(bool quote MEMBER quote)

public:
    int headingLevel = 0; // 0 when the caret is not in a heading
    bool strong = false;
    bool emphasis = false;
    bool strike = false;
    bool inlineCode = false;
    bool codeBlock = false;
    bool bulletList = false;
    bool orderedList = false;
    bool taskList = false;
    bool quote = false;

    bool operator==(const MarkdownEditorFormatState&) const = default;
};

class MarkdownEditorOutlineItem
{
    Q_GADGET
    QML_VALUE_TYPE(markdownEditorOutlineItem)
    Q_PROPERTY(int position MEMBER position)
    Q_PROPERTY(int level MEMBER level)
    Q_PROPERTY(QString title MEMBER title)

public:
    int position = 0; // the page's position of the heading, used to jump back to it
    int level = 0;
    QString title;

    bool operator==(const MarkdownEditorOutlineItem&) const = default;
};

// Made from QML as MarkdownEditor.command("heading", 2): a command with a fresh id.
class MarkdownEditorCommands : public QObject
{
    Q_OBJECT
    QML_NAMED_ELEMENT(MarkdownEditor)
    QML_SINGLETON

public:
    using QObject::QObject;

    // A new command for the action named `kind` (the case names, e.g. "strong", "heading") with
    // its payload; undefined for an unknown kind or a missing payload.
    Q_INVOKABLE QVariant command(const QString& kind, const QVariant& value = {}) const;
};

Q_DECLARE_METATYPE(MarkdownEditorCommandAction)
Q_DECLARE_METATYPE(MarkdownEditorCommand)
Q_DECLARE_METATYPE(MarkdownEditorFormatState)
Q_DECLARE_METATYPE(MarkdownEditorOutlineItem)
