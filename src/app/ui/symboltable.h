#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The interface names its symbols with platform-neutral dotted names ("folder.badge.plus",
// "xmark.circle.fill"). This table maps each to one SVG of the bundled icon set, so a missing or
// ugly icon is a one-line fix here and the views never name icon files.
namespace SymbolTable {

// Resource path of the SVG drawn for `symbol`, or an empty string when the table has no entry.
QString resourcePath(const QString& symbol);

// Every symbol name the table knows, sorted.
QStringList symbols();

// The SVG document for `symbol` with its drawing colour set to `color` (a "#rrggbb" name) and,
// for outline icons, its stroke width set to `strokeWidth` (in units of the 24-unit view box).
// Empty when the symbol is unknown or its resource is missing.
QByteArray svg(const QString& symbol, const QString& color, qreal strokeWidth);

} // namespace SymbolTable
