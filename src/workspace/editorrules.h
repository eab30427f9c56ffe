#pragma once

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

// The measures and choices of the editor screens that are rules rather than layout: the bars of
// the document outline rail and how they swell under the pointer, the width of a heading's
// tooltip, and the heading the memo editor's "正文/标题" button asks for.
namespace EditorLayout {

// The bar's length for a heading level: 22 for level 1, 16 for 2, 11 for 3, 7 for any other.
double outlineBarWidth(int level);
// 2 for the active heading, 1.5 for the others.
double outlineBarHeight(bool active);
// The magnification of the bar at `index` while the pointer is over `hoveredIndex` (negative:
// none): 1.65 for it, 1.28 and 1.1 for its neighbours at distance 1 and 2, 1 for the rest.
double outlineScale(int index, int hoveredIndex);
// The tooltip's width for a title: the larger of min(maximum, 180) and characters × 12 + 28,
// never more than `maximumWidth`. Characters are what the user sees as one (grapheme clusters).
double outlineTooltipWidth(const QString& title, double maximumWidth);
// The level "正文/标题" sets: back to body text (0) inside a heading, else a level-2 heading.
int headingToggleLevel(int currentLevel);

} // namespace EditorLayout

// The same for QML, as the singleton `EditorRules`.
class EditorRules : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

public:
    using QObject::QObject;

    Q_INVOKABLE double outlineBarWidth(int level) const
    {
        return EditorLayout::outlineBarWidth(level);
    }
    Q_INVOKABLE double outlineBarHeight(bool active) const
    {
        return EditorLayout::outlineBarHeight(active);
    }
    Q_INVOKABLE double outlineScale(int index, int hoveredIndex) const
    {
        return EditorLayout::outlineScale(index, hoveredIndex);
    }
    Q_INVOKABLE double outlineTooltipWidth(const QString& title, double maximumWidth) const
    {
        return EditorLayout::outlineTooltipWidth(title, maximumWidth);
    }
    Q_INVOKABLE int headingToggleLevel(int currentLevel) const
    {
        return EditorLayout::headingToggleLevel(currentLevel);
    }
};
