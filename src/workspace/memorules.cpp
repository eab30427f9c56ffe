#include "memorules.h"

#include "memocontent.h"

namespace MemoRules {

namespace {

constexpr int labelLength = 42;

} // namespace

QString followUpText(const QString& text, const QStringList& imagePaths)
{
    QStringList images;
    for (const QString& path : imagePaths)
        images.append(QStringLiteral("![图片](") + path + QLatin1Char(')'));
    QStringList parts;
    for (const QString& part : {text, images.join(QLatin1String("\n\n"))}) {
        if (!part.isEmpty())
            parts.append(part);
    }
    return parts.join(QLatin1String("\n\n"));
}

QString contextLabel(const QString& plainText)
{
    return leadingCharacters(plainText, labelLength).first;
}

QString promotionTitle(const QString& plainText)
{
    const QString firstLine = plainText.section(QLatin1Char('\n'), 0, 0);
    return leadingCharacters(firstLine, labelLength).first;
}

int hiddenFollowUps(int count, bool showAll)
{
    return count >= 3 && !showAll ? count - 2 : 0;
}

QString followUpToggleText(int count, bool showAll)
{
    if (count < 3)
        return {};
    return showAll
               ? QStringLiteral("收起补充")
               : QStringLiteral("还有 ") + QString::number(count - 2) + QStringLiteral(" 条补充");
}

bool isLongText(const QString& text)
{
    return text.count(QLatin1Char('\n')) + 1 >= 13;
}

} // namespace MemoRules
