#pragma once

#include <QColor>
#include <QQuickPaintedItem>
#include <QString>
#include <QtQml/qqmlregistration.h>

// One symbol of the icon set, drawn in a single colour and centred in the item as a square that
// fits it. `name` is a symbol name of the symbol table; an unknown name draws nothing and is
// reported once on the console.
class SymbolIcon : public QQuickPaintedItem
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QString name READ name WRITE setName NOTIFY nameChanged)
    Q_PROPERTY(QColor color READ color WRITE setColor NOTIFY colorChanged)
    // Stroke width of outline symbols in units of their 24-unit view box (2 is the set's own).
    Q_PROPERTY(qreal strokeWidth READ strokeWidth WRITE setStrokeWidth NOTIFY strokeWidthChanged)
    // Whether the current name resolves to a symbol of the table.
    Q_PROPERTY(bool valid READ isValid NOTIFY nameChanged)

public:
    explicit SymbolIcon(QQuickItem* parent = nullptr);

    QString name() const { return m_name; }
    void setName(const QString& name);
    QColor color() const { return m_color; }
    void setColor(const QColor& color);
    qreal strokeWidth() const { return m_strokeWidth; }
    void setStrokeWidth(qreal strokeWidth);
    bool isValid() const;

    void paint(QPainter* painter) override;

Q_SIGNALS:
    void nameChanged();
    void colorChanged();
    void strokeWidthChanged();

private:
    QString m_name;
    QColor m_color = Qt::black;
    qreal m_strokeWidth = 2;
};
