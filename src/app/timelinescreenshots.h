#pragma once

#include <QString>

// Renders the memo timeline's states (the stream with todos, pictures, follow-ups and an
// article card; the composer expanded and in todo mode; the picture viewer; the share card and
// its menu) to PNG files in `output`, each name ending in "-dark" when `dark`. Returns the
// number of states that could not be rendered.
int renderTimelineScreens(const QString& output, bool dark);
