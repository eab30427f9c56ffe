#include "markdowneditorlog.h"

#include <cstdio>

namespace {

std::function<void(const QString&)>& logSink()
{
    static std::function<void(const QString&)> sink;
    return sink;
}

} // namespace

void logEditorMessage(const QString& message)
{
    const QString line = QLatin1String("[LarchNotesMarkdownEditorNative] ") + message;
    if (logSink()) {
        logSink()(line);
        return;
    }
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

void setEditorLogSink(std::function<void(const QString&)> sink)
{
    logSink() = std::move(sink);
}
