#include "symboltable.h"

#include <QFile>
#include <QHash>
#include <algorithm>

namespace {

struct Entry
{
    const char* symbol;
    const char* file; // under icons/, without extension
};

// Outline icons are drawn with strokes; "-filled" ones are solid shapes.
constexpr Entry table[] = {
    {"1.square", "square-number-1"},
    {"2.square", "square-number-2"},
    {"3.square", "square-number-3"},
    {"arrow.turn.up.left", "arrow-back-up"},
    {"arrow.up", "arrow-up"},
    {"arrow.up.right", "arrow-up-right"},
    {"bold", "bold"},
    {"bolt.fill", "bolt-filled"},
    {"calendar", "calendar"},
    {"calendar.badge.clock", "calendar-time"},
    {"checklist", "list-check"},
    {"checkmark.circle", "circle-check"},
    {"checkmark.circle.fill", "circle-check-filled"},
    {"chevron.down", "chevron-down"},
    {"chevron.left", "chevron-left"},
    {"chevron.left.forwardslash.chevron.right", "code"},
    {"chevron.right", "chevron-right"},
    {"chevron.up", "chevron-up"},
    {"circle", "circle"},
    {"clock", "clock"},
    {"curlybraces.square", "braces"},
    {"doc", "file"},
    {"doc.badge.plus", "file-plus"},
    {"doc.on.doc", "files"},
    {"doc.text", "file-text"},
    {"doc.text.magnifyingglass", "file-search"},
    {"ellipsis", "dots"},
    {"exclamationmark.triangle", "alert-triangle"},
    {"folder", "folder"},
    {"folder.badge.plus", "folder-plus"},
    {"folder.fill", "folder-filled"},
    {"folder.fill.badge.plus", "folder-plus"},
    {"italic", "italic"},
    {"link", "link"},
    {"list.bullet", "list"},
    {"list.number", "list-numbers"},
    {"magnifyingglass", "search"},
    {"pencil", "pencil"},
    {"photo", "photo"},
    {"plus", "plus"},
    {"square.and.arrow.up", "upload"},
    {"strikethrough", "strikethrough"},
    {"tablecells", "table"},
    {"text.alignleft", "align-left"},
    {"text.bubble", "message-2"},
    {"text.magnifyingglass", "text-scan-2"},
    {"text.quote", "quote"},
    {"textformat.size", "typography"},
    {"trash", "trash"},
    {"xmark", "x"},
    {"xmark.circle.fill", "circle-x-filled"},
};

const Entry* find(const QString& symbol)
{
    const auto it = std::find_if(std::begin(table), std::end(table),
                                 [&](const Entry& e) { return symbol == QLatin1String(e.symbol); });
    return it == std::end(table) ? nullptr : it;
}

// The raw documents, read once from the resources.
QByteArray rawSvg(const QString& path)
{
    static QHash<QString, QByteArray> cache;
    const auto cached = cache.constFind(path);
    if (cached != cache.constEnd())
        return *cached;
    QFile file(path);
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly))
        bytes = file.readAll();
    cache.insert(path, bytes);
    return bytes;
}

} // namespace

namespace SymbolTable {

QString resourcePath(const QString& symbol)
{
    const Entry* entry = find(symbol);
    if (!entry)
        return {};
    return QStringLiteral(":/LarchNotes/Ui/icons/%1.svg").arg(QLatin1String(entry->file));
}

QStringList symbols()
{
    QStringList names;
    for (const Entry& entry : table)
        names.append(QLatin1String(entry.symbol));
    names.sort();
    return names;
}

QByteArray svg(const QString& symbol, const QString& color, qreal strokeWidth)
{
    const QString path = resourcePath(symbol);
    if (path.isEmpty())
        return {};
    QByteArray bytes = rawSvg(path);
    if (bytes.isEmpty())
        return {};
    bytes.replace("currentColor", color.toLatin1());
    bytes.replace("stroke-width=\"2\"",
                  "stroke-width=\"" + QByteArray::number(strokeWidth, 'g', 4) + '"');
    return bytes;
}

} // namespace SymbolTable
