#include "textfilter.h"

namespace {

quint32 pairHash(char16_t first, char16_t second)
{
    quint32 h = quint32(first) * 0x9E3779B1u ^ (quint32(second) + 0x7F4A7C15u) * 0x85EBCA77u;
    return h ^ (h >> 15);
}

} // namespace

void TextFilter::add(const QString& text)
{
    const char16_t* data = reinterpret_cast<const char16_t*>(text.constData());
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        set(pairHash(data[i], 0xFFFF));
        if (i + 1 < size)
            set(pairHash(data[i], data[i + 1]));
    }
}
