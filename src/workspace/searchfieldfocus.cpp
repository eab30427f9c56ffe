#include "searchfieldfocus.h"

#include <QMouseEvent>
#include <QTimer>

void SearchFieldFocus::setField(QQuickItem* field)
{
    if (m_field == field)
        return;
    if (m_field)
        disconnect(m_field, nullptr, this, nullptr);
    m_field = field;
    if (m_field)
        connect(m_field, &QQuickItem::windowChanged, this, &SearchFieldFocus::watchWindow);
    watchWindow(m_field ? m_field->window() : nullptr);
    Q_EMIT fieldChanged();
}

void SearchFieldFocus::watchWindow(QQuickWindow* window)
{
    if (m_window == window)
        return;
    if (m_window)
        m_window->removeEventFilter(this);
    m_window = window;
    if (m_window)
        m_window->installEventFilter(this);
}

bool SearchFieldFocus::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_window && event->type() == QEvent::MouseButtonPress && m_field &&
        m_field->hasActiveFocus()) {
        const auto* press = static_cast<QMouseEvent*>(event);
        const QPointF inField = m_field->mapFromScene(press->scenePosition());
        if (!m_field->contains(inField)) {
            QTimer::singleShot(0, this, [this]() {
                if (m_field && m_field->window() && m_field->hasActiveFocus())
                    m_field->setFocus(false);
            });
        }
    }
    return false;
}
