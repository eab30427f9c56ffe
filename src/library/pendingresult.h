#pragma once

#include <QObject>
#include <QVariant>

// The outcome of an operation that QML starts and wants to wait for:
//
//     library.openNote(path).finished.connect(function(opened) { ... })
//
// `finished` is always emitted on a later turn of the event loop than the call that returned
// the object, so connecting right after the call never misses it; the object deletes itself
// afterwards. It belongs to the controller, never to the JavaScript engine.
class PendingResult : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // Emits `finished` with `value` on the next turn of the event loop, then goes away.
    void finish(const QVariant& value);

Q_SIGNALS:
    void finished(const QVariant& value);
};
