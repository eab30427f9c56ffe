#pragma once

#include <QImage>
#include <QQuickPaintedItem>
#include <QUrl>
#include <QtQml/qqmlregistration.h>

// A picture from a local file, scaled to fill the item (cropped to its shape) and drawn with
// rounded corners. Qt Quick 6.4 has no rounded clipping of its own without shader effects.
// `loaded` is false while there is no picture (no source, or one that cannot be read).
class RoundedImage : public QQuickPaintedItem
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QUrl source READ source WRITE setSource NOTIFY sourceChanged)
    Q_PROPERTY(qreal radius READ radius WRITE setRadius NOTIFY radiusChanged)
    Q_PROPERTY(bool loaded READ isLoaded NOTIFY sourceChanged)

public:
    explicit RoundedImage(QQuickItem* parent = nullptr);

    QUrl source() const { return m_source; }
    void setSource(const QUrl& source);
    qreal radius() const { return m_radius; }
    void setRadius(qreal radius);
    bool isLoaded() const { return !m_image.isNull(); }

    void paint(QPainter* painter) override;

Q_SIGNALS:
    void sourceChanged();
    void radiusChanged();

private:
    QUrl m_source;
    qreal m_radius = 0;
    QImage m_image;
};
