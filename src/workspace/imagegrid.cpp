#include "imagegrid.h"

#include <QVariantList>

#include <algorithm>

namespace {

constexpr qreal singleMaximumWidth = 560;
constexpr qreal mosaicMaximumWidth = 620;
constexpr qreal gap = 2;
constexpr int tilesShown = 4;

} // namespace

ImageGridLayout imageGridLayout(int count, qreal availableWidth, QSizeF firstImageSize)
{
    ImageGridLayout layout;
    const qreal available = std::max<qreal>(0, availableWidth);
    if (count <= 0)
        return layout;
    if (count == 1) {
        const qreal width = std::min(singleMaximumWidth, available);
        const qreal ratio = std::clamp(
            firstImageSize.width() / std::max<qreal>(firstImageSize.height(), 1), 0.8, 16.0 / 9.0);
        layout.size = QSizeF(width, width / ratio);
        layout.tiles = {QRectF(QPointF(0, 0), layout.size)};
        return layout;
    }

    const qreal w = std::min(mosaicMaximumWidth, available);
    const qreal h = w * 9.0 / 16.0;
    layout.size = QSizeF(w, h);
    const qreal half = (w - gap) / 2;
    const qreal halfHeight = (h - gap) / 2;
    const qreal right = half + gap;
    const qreal lower = halfHeight + gap;
    if (count == 2) {
        layout.tiles = {QRectF(0, 0, half, h), QRectF(right, 0, half, h)};
    } else if (count == 3) {
        layout.tiles = {QRectF(0, 0, half, h), QRectF(right, 0, half, halfHeight),
                        QRectF(right, lower, half, halfHeight)};
    } else {
        layout.tiles = {QRectF(0, 0, half, halfHeight), QRectF(right, 0, half, halfHeight),
                        QRectF(0, lower, half, halfHeight), QRectF(right, lower, half, halfHeight)};
        layout.overflow = count - tilesShown;
    }
    return layout;
}

QVariantMap ImageGridGeometry::layout(int count, qreal availableWidth, QSizeF firstImageSize) const
{
    const ImageGridLayout grid = imageGridLayout(count, availableWidth, firstImageSize);
    QVariantList tiles;
    for (const QRectF& tile : grid.tiles)
        tiles.append(tile);
    return {{QStringLiteral("width"), grid.size.width()},
            {QStringLiteral("height"), grid.size.height()},
            {QStringLiteral("tiles"), tiles},
            {QStringLiteral("overflow"), grid.overflow}};
}
