#pragma once

#include <QString>

#include <functional>

// The editor host's log: one line on standard output per event, each with the host's prefix.
void logEditorMessage(const QString& message);

// Routes log lines (prefix included) to `sink` instead of standard output; an empty function
// restores standard output. For tests.
void setEditorLogSink(std::function<void(const QString&)> sink);
