#pragma once

// Prepares the process for editor hosts: registers the "larch-asset" URL scheme and initialises
// Qt WebEngine for Qt Quick (without Chromium's sandbox when running as root, which it refuses).
// Must run before the QGuiApplication is constructed; later calls do nothing.
void initializeMarkdownEditorHost();
