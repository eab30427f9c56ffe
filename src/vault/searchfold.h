#pragma once

#include <QString>
#include <QStringView>

// Search folding: the case-, diacritic- and width-insensitive form of a text in which searches
// look for their words. Defined as compatibility decomposition, combining marks dropped, full
// case folding, then recomposition with compatibility mapping, over the whole text; computed
// character by character where that gives the same result, since whole vaults are folded.
QString foldForSearch(QStringView text);
inline QString foldForSearch(const QString& text)
{
    return foldForSearch(QStringView(text));
}
