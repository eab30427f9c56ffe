#pragma once

#include <QString>

class QQuickWebEngineProfile;

// The web profile editor pages run in: one per vault root, shared by every editor of that vault.
// A new editor then joins the renderer process the others run in (the host asks the web engine
// for one process per site) instead of starting one, which is most of the time it takes to show
// an article, and one process holds all open articles. Each profile is off the record, serves the
// vault's files through the asset scheme and keeps its pages off the network.
//
// Profiles live as long as the process: the web engine must not see a profile go while a page
// still uses it, and pages are deleted late (by the event loop) when their views go.
QQuickWebEngineProfile* markdownEditorProfile(const QString& vaultRoot);
