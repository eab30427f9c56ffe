#include "roundedimage.h"

#include <QImageReader>
#include <QPainter>
#include <QPainterPath>

RoundedImage::RoundedImage(QQuickItem* parent) : QQuickPaintedItem(parent)
{
    setAntialiasing(true);
}

void RoundedImage::setSource(const QUrl& source)
{
    if (m_source == source)
        return;
    m_source = source;
    m_image = QImage();
    if (m_source.isLocalFile()) {
        QImageReader reader(m_source.toLocalFile());
        reader.setAutoTransform(true);
        // Pictures are shown small: decode them no larger than needed on a 2x screen.
        const QSize size = reader.size();
        const int longest = 480;
        if (size.isValid() && std::max(size.width(), size.height()) > longest)
            reader.setScaledSize(size.scaled(longest, longest, Qt::KeepAspectRatio));
        m_image = reader.read();
    }
    update();
    Q_EMIT sourceChanged();
}

void RoundedImage::setRadius(qreal radius)
{
    if (qFuzzyCompare(m_radius, radius))
        return;
    m_radius = radius;
    update();
    Q_EMIT radiusChanged();
}

void RoundedImage::paint(QPainter* painter)
{
    if (m_image.isNull())
        return;
    const QRectF bounds(0, 0, width(), height());
    QPainterPath shape;
    shape.addRoundedRect(bounds, m_radius, m_radius);
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    painter->setClipPath(shape);
    // Fill the item, cropping what sticks out.
    const QSizeF scaled =
        QSizeF(m_image.size()).scaled(bounds.size(), Qt::KeepAspectRatioByExpanding);
    const QRectF target(bounds.center() - QPointF(scaled.width() / 2, scaled.height() / 2), scaled);
    painter->drawImage(target, m_image);
}
