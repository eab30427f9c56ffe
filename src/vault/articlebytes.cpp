#include "articlebytes.h"

#include "articlelisting.h"
#include "fileio.h"

#include <cstring>

namespace {

bool isContinuation(uchar b)
{
    return (b & 0xc0) == 0x80;
}

} // namespace

bool isStrictUtf8(QByteArrayView bytes)
{
    // The rules of decodeUtf8Strict: no continuation byte out of place, no overlong form, no
    // surrogate, nothing above U+10FFFF, no sequence cut short.
    const auto* in = reinterpret_cast<const uchar*>(bytes.data());
    const uchar* const end = in + bytes.size();
    while (in < end) {
        // ASCII eight bytes at a time.
        while (end - in >= 8) {
            quint64 word;
            std::memcpy(&word, in, sizeof word);
            if (word & 0x8080808080808080ull)
                break;
            in += 8;
        }
        while (in < end && *in < 0x80)
            ++in;
        if (in == end)
            break;
        const uchar lead = *in;
        if (lead >= 0xc2 && lead < 0xe0) {
            if (end - in < 2 || !isContinuation(in[1]))
                return false;
            in += 2;
        } else if ((lead & 0xf0) == 0xe0) {
            if (end - in < 3 || !isContinuation(in[1]) || !isContinuation(in[2]))
                return false;
            const char16_t c = char16_t(((lead & 0x0f) << 12) | ((in[1] & 0x3f) << 6));
            if (c < 0x800 || (c & 0xf800) == 0xd800)
                return false; // overlong, or a surrogate
            in += 3;
        } else if (lead >= 0xf0 && lead < 0xf5) {
            if (end - in < 4 || !isContinuation(in[1]) || !isContinuation(in[2]) ||
                !isContinuation(in[3]))
                return false;
            const char32_t c = ((lead & 0x07) << 18) | ((in[1] & 0x3f) << 12);
            if (c < 0x10000 || c > 0x10ffff)
                return false;
            in += 4;
        } else {
            return false;
        }
    }
    return true;
}

QString notePreviewOfUtf8(QByteArrayView bytes)
{
    // Lines end at line feeds, which never occur inside a multi-byte sequence, so each line can
    // be decoded on its own; only the lines up to the first that qualifies are.
    for (qsizetype start = 0; start < bytes.size();) {
        qsizetype end = bytes.indexOf('\n', start);
        if (end < 0)
            end = bytes.size();
        const QByteArrayView line = bytes.sliced(start, end - start);
        start = end + 1;
        if (line.isEmpty() || line == "\r" || line.startsWith("# "))
            continue;
        const std::optional<QString> text = decodeUtf8Strict(line.toByteArray());
        if (!text)
            continue; // not reached for strict UTF-8
        if (std::optional<QString> preview = linePreview(*text))
            return *preview;
    }
    return notePreview(QString());
}
