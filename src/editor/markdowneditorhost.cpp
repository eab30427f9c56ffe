#include "markdowneditorhost.h"

#include "markdowneditorassets.h"

#include <QtWebEngineQuick>

void initializeMarkdownEditorHost()
{
    registerMarkdownEditorAssetScheme();
    QtWebEngineQuick::initialize();
}
