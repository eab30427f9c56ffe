#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM, SIGINT and SIGHUP (the desktop session ending, Ctrl+C in a terminal) into an
// ordinary quit on the event loop, so that pending edits are written as on any other quit
// instead of the process dying at once. One instance per process.
class QuitSignals : public QObject
{
    Q_OBJECT

public:
    explicit QuitSignals(QObject* parent = nullptr);
    ~QuitSignals() override;

    // False when the handlers could not be installed; the default behaviour then stays.
    bool isActive() const { return m_notifier != nullptr; }

Q_SIGNALS:
    // One of the signals arrived; `signal` is its number.
    void received(int signal);

private:
    void readSignal();

    QSocketNotifier* m_notifier = nullptr;
};
