#include "symbolicon.h"

#include "symboltable.h"

#include <QPainter>
#include <QSet>
#include <QSvgRenderer>

SymbolIcon::SymbolIcon(QQuickItem* parent) : QQuickPaintedItem(parent)
{
    setImplicitSize(16, 16);
    setAntialiasing(true);
}

void SymbolIcon::setName(const QString& name)
{
    if (m_name == name)
        return;
    m_name = name;
    if (!m_name.isEmpty() && !isValid()) {
        static QSet<QString> reported;
        if (!reported.contains(m_name)) {
            reported.insert(m_name);
            qWarning("SymbolIcon: no icon for the symbol \"%s\"", qUtf8Printable(m_name));
        }
    }
    Q_EMIT nameChanged();
    update();
}

void SymbolIcon::setColor(const QColor& color)
{
    if (m_color == color)
        return;
    m_color = color;
    Q_EMIT colorChanged();
    update();
}

void SymbolIcon::setStrokeWidth(qreal strokeWidth)
{
    if (qFuzzyCompare(m_strokeWidth, strokeWidth))
        return;
    m_strokeWidth = strokeWidth;
    Q_EMIT strokeWidthChanged();
    update();
}

bool SymbolIcon::isValid() const
{
    return !SymbolTable::resourcePath(m_name).isEmpty();
}

void SymbolIcon::paint(QPainter* painter)
{
    const QByteArray document =
        SymbolTable::svg(m_name, m_color.name(QColor::HexRgb), m_strokeWidth);
    if (document.isEmpty())
        return;
    QSvgRenderer renderer(document);
    if (!renderer.isValid())
        return;
    const qreal side = qMin(width(), height());
    const QRectF target((width() - side) / 2, (height() - side) / 2, side, side);
    painter->setOpacity(m_color.alphaF());
    renderer.render(painter, target);
}
