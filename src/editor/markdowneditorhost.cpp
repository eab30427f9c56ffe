#include "markdowneditorhost.h"

#include "markdowneditorassets.h"

#include <QtWebEngineQuick>

#include <unistd.h>

void initializeMarkdownEditorHost()
{
    static bool initialized = false;
    if (initialized)
        return;
    initialized = true;
    // Chromium's sandbox refuses to run as root and the editor page would stay blank.
    if (geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    // Editor pages share one renderer process per vault: a new editor then needs no process of
    // its own (see markdownEditorProfile).
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    if (!flags.contains("--process-per-site"))
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", (flags + " --process-per-site").trimmed());
    registerMarkdownEditorAssetScheme();
    QtWebEngineQuick::initialize();
}
