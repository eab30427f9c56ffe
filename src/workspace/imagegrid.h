#pragma once

#include <QList>
#include <QObject>
#include <QRectF>
#include <QSizeF>
#include <QVariantMap>
#include <QtQml/qqmlregistration.h>

// Where the pictures of a memo go: one picture alone at its own shape, two or three as a
// mosaic, four or more as a two-by-two grid whose last tile counts the pictures not shown.
struct ImageGridLayout
{
    QSizeF size;
    // One rectangle per tile shown, in picture order.
    QList<QRectF> tiles;
    // Pictures beyond the fourth, counted on the last tile; 0 when all are shown.
    int overflow = 0;
};

// The layout of `count` pictures in at most `availableWidth`; `firstImageSize` is the first
// picture's size, which shapes a single picture.
ImageGridLayout imageGridLayout(int count, qreal availableWidth, QSizeF firstImageSize);

// The same for QML, as the singleton `ImageGridGeometry`.
class ImageGridGeometry : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

public:
    using QObject::QObject;

    // {width, height, tiles: [rect, ...], overflow}
    Q_INVOKABLE QVariantMap layout(int count, qreal availableWidth, QSizeF firstImageSize) const;
};
