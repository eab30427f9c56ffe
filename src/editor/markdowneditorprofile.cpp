#include "markdowneditorprofile.h"

#include "markdowneditorassets.h"

#include <QHash>
#include <QJSEngine>
#include <QQuickWebEngineProfile>

QQuickWebEngineProfile* markdownEditorProfile(const QString& vaultRoot)
{
    static QHash<QString, QQuickWebEngineProfile*> profiles;
    QQuickWebEngineProfile*& profile = profiles[vaultRoot];
    if (!profile) {
        profile = new QQuickWebEngineProfile;
        // Handed to QML, which must never collect it.
        QJSEngine::setObjectOwnership(profile, QJSEngine::CppOwnership);
        profile->setOffTheRecord(true);
        profile->installUrlSchemeHandler(
            markdownEditorAssetScheme(),
            new MarkdownEditorAssetHandler([vaultRoot] { return vaultRoot; }, profile));
        profile->setUrlRequestInterceptor(new MarkdownEditorRequestFilter(profile));
    }
    return profile;
}
