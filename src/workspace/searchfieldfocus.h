#pragma once

#include <QObject>
#include <QPointer>
#include <QQuickItem>
#include <QQuickWindow>
#include <QtQml/qqmlregistration.h>

// Ends editing in a text field when the user clicks anywhere else in its window, as a desktop
// search field does: on the next turn of the event loop the field gives up keyboard focus
// (unless the click gave it to something else). The click itself still reaches its target, and
// clicks in other windows are not seen.
class SearchFieldFocus : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QQuickItem* field READ field WRITE setField NOTIFY fieldChanged)

public:
    using QObject::QObject;

    QQuickItem* field() const { return m_field; }
    void setField(QQuickItem* field);

Q_SIGNALS:
    void fieldChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void watchWindow(QQuickWindow* window);

    QPointer<QQuickItem> m_field;
    QPointer<QQuickWindow> m_window;
};
