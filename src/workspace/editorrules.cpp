#include "editorrules.h"

#include <QTextBoundaryFinder>

#include <algorithm>
#include <cstdlib>

namespace EditorLayout {

double outlineBarWidth(int level)
{
    switch (level) {
    case 1:
        return 22;
    case 2:
        return 16;
    case 3:
        return 11;
    default:
        return 7;
    }
}

double outlineBarHeight(bool active)
{
    return active ? 2.0 : 1.5;
}

double outlineScale(int index, int hoveredIndex)
{
    if (hoveredIndex < 0)
        return 1.0;
    switch (std::abs(index - hoveredIndex)) {
    case 0:
        return 1.65;
    case 1:
        return 1.28;
    case 2:
        return 1.1;
    default:
        return 1.0;
    }
}

double outlineTooltipWidth(const QString& title, double maximumWidth)
{
    qsizetype characters = 0;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, title);
    while (finder.toNextBoundary() > 0)
        ++characters;
    const double wanted = std::max(std::min(maximumWidth, 180.0), double(characters) * 12 + 28);
    return std::min(wanted, maximumWidth);
}

int headingToggleLevel(int currentLevel)
{
    return currentLevel != 0 ? 0 : 2;
}

} // namespace EditorLayout
