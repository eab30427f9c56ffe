#include "pendingresult.h"

#include <QTimer>

void PendingResult::finish(const QVariant& value)
{
    QTimer::singleShot(0, this, [this, value]() {
        Q_EMIT finished(value);
        deleteLater();
    });
}
