#pragma once

// Makes the library's types known to QML as the module "LarchNotes.Library" (none can be created
// from QML: the one controller comes from main()), so that views can use its enumerations and
// typed properties. Call once before loading any QML.
void registerLibraryQmlTypes();
