#pragma once

#include <QByteArrayView>
#include <QString>

// What the listing takes from an article's bytes, without decoding its whole text: whether it is
// strict UTF-8 (the article's text is empty otherwise) and its preview, from its first lines.

// Whether decodeUtf8Strict accepts `bytes`.
bool isStrictUtf8(QByteArrayView bytes);

// notePreview of the text of `bytes`, which must be strict UTF-8.
QString notePreviewOfUtf8(QByteArrayView bytes);
