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
    registerMarkdownEditorAssetScheme();
    QtWebEngineQuick::initialize();
}
