#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QtQml/qqmlregistration.h>

// How the timeline cuts and words a memo: the follow-up a continuation adds, the labels and
// titles taken from a memo's text, and which follow-ups and how much text a row shows.
namespace MemoRules {

// The follow-up a continuation adds: the typed text, then one "![图片](path)" line per image,
// blank lines between them; empty parts are left out.
QString followUpText(const QString& text, const QStringList& imagePaths);
// The composer's "续记：" label: the continued memo's plain text, cut to 42 characters.
QString contextLabel(const QString& plainText);
// The title proposed when a memo becomes an article: the first line of its plain text, cut to
// 42 characters; empty when there is no line.
QString promotionTitle(const QString& plainText);
// How many of `count` follow-ups are folded away: all but the last two once there are three.
int hiddenFollowUps(int count, bool showAll);
// The follow-up toggle: "还有 N 条补充", "收起补充", or "" when there is nothing to fold.
QString followUpToggleText(int count, bool showAll);
// A text of 13 lines or more folds behind "展开" / "收起".
bool isLongText(const QString& text);

} // namespace MemoRules

// The same for QML, as the singleton `MemoRules`.
class MemoRulesForQml : public QObject
{
    Q_OBJECT
    QML_NAMED_ELEMENT(MemoRules)
    QML_SINGLETON

public:
    using QObject::QObject;

    Q_INVOKABLE int hiddenFollowUps(int count, bool showAll) const
    {
        return MemoRules::hiddenFollowUps(count, showAll);
    }
    Q_INVOKABLE QString followUpToggleText(int count, bool showAll) const
    {
        return MemoRules::followUpToggleText(count, showAll);
    }
    Q_INVOKABLE bool isLongText(const QString& text) const { return MemoRules::isLongText(text); }
    Q_INVOKABLE QString promotionTitle(const QString& plainText) const
    {
        return MemoRules::promotionTitle(plainText);
    }
};
