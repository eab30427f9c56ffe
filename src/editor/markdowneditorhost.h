#pragma once

// Prepares the process for editor hosts: registers the "larch-asset" URL scheme and initialises
// Qt WebEngine for Qt Quick. Call once in main() before the QGuiApplication is constructed.
void initializeMarkdownEditorHost();
