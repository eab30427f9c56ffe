import QtQuick

// Rounds the corners of whatever lies below it by covering what is outside a rounded rectangle
// with the colour of the surface around it: the inner edge of a wide, rounded border, clipped
// to this item. Qt Quick 6.4 has no mask effect of its own; this is drawn (and antialiased) by
// the scene graph in the same frame, so a picture grabbed at once has its corners too.
Item {
    id: corners

    property real radius: 12
    // The colour of the surface the rounded content sits on.
    property color surfaceColor: "transparent"

    clip: true

    Rectangle {
        x: -corners.radius
        y: -corners.radius
        width: corners.width + 2 * corners.radius
        height: corners.height + 2 * corners.radius
        // The border's inner edge is a rounded rectangle of `radius` around this item.
        radius: 2 * corners.radius
        color: "transparent"
        border.width: corners.radius
        border.color: corners.surfaceColor
    }
}
