#include "memoindexreader.h"

#include "fileio.h"

#include <QStringView>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

// A reader of the JSON subset the index is written in. It gives up (nothing) at the first thing
// outside that subset, so it never has to decide what the general reader would make of it.
class PlainIndexReader
{
public:
    explicit PlainIndexReader(QStringView text) : m_text(text) {}

    std::optional<QList<MemoIndexEntry>> read()
    {
        QList<MemoIndexEntry> entries;
        entries.reserve(m_text.size() / 200); // about the size of one written entry
        skipSpace();
        if (!take(u'['))
            return std::nullopt;
        skipSpace();
        if (!take(u']')) {
            do {
                skipSpace();
                std::optional<MemoIndexEntry> entry = readEntry();
                if (!entry)
                    return std::nullopt;
                entries.append(std::move(*entry));
                skipSpace();
            } while (take(u','));
            if (!take(u']'))
                return std::nullopt;
        }
        skipSpace();
        if (m_position != m_text.size())
            return std::nullopt;
        return entries;
    }

private:
    std::optional<MemoIndexEntry> readEntry()
    {
        if (!take(u'{'))
            return std::nullopt;
        std::optional<QString> id, journalPath, digest, folder;
        std::optional<QDateTime> createdAt;
        skipSpace();
        if (take(u'}'))
            return std::nullopt; // lacks the required keys: the general reader says so
        do {
            skipSpace();
            const std::optional<QStringView> key = readPlainKey();
            skipSpace();
            if (!key || !take(u':'))
                return std::nullopt;
            skipSpace();
            QString unescaped;
            const std::optional<QStringView> value = readStringView(unescaped);
            if (!value)
                return std::nullopt; // null, numbers, objects...: not the plain shape
            // The five keys differ in length, which settles all but one comparison.
            std::optional<QString>* slot = nullptr; // other keys carry nothing for the index
            switch (key->size()) {
            case 2:
                slot = *key == QLatin1String("id") ? &id : nullptr;
                break;
            case 9:
                if (*key == QLatin1String("createdAt")) {
                    if (createdAt)
                        return std::nullopt; // a repeated key
                    createdAt = utcDate(*value);
                    if (!createdAt)
                        return std::nullopt;
                }
                break;
            case 10:
                slot = *key == QLatin1String("folderPath") ? &folder : nullptr;
                break;
            case 11:
                slot = *key == QLatin1String("journalPath") ? &journalPath : nullptr;
                break;
            case 13:
                slot = *key == QLatin1String("contentDigest") ? &digest : nullptr;
                break;
            }
            if (slot) {
                if (*slot)
                    return std::nullopt; // a repeated key
                *slot = value->toString();
            }
            skipSpace();
        } while (take(u','));
        skipSpace();
        if (!take(u'}') || !id || !createdAt || !journalPath || !digest)
            return std::nullopt;
        return MemoIndexEntry{std::move(*id), *createdAt, std::move(*journalPath),
                              std::move(*digest), std::move(folder)};
    }

    // "yyyy-MM-ddTHH:mm:ssZ" exactly, as written; any other form goes to the general reader.
    static std::optional<QDateTime> utcDate(QStringView text)
    {
        if (text.size() != 20 || text.at(4) != u'-' || text.at(7) != u'-' || text.at(10) != u'T' ||
            text.at(13) != u':' || text.at(16) != u':' || text.at(19) != u'Z')
            return std::nullopt;
        const auto number = [&](qsizetype from, qsizetype length) {
            int value = 0;
            for (qsizetype i = from; i < from + length; ++i) {
                const char16_t c = text.at(i).unicode();
                if (c < u'0' || c > u'9')
                    return -1;
                value = value * 10 + int(c - u'0');
            }
            return value;
        };
        const int year = number(0, 4), month = number(5, 2), day = number(8, 2);
        const int hour = number(11, 2), minute = number(14, 2), second = number(17, 2);
        if (year < 0 || month < 0 || day < 0 || hour < 0 || minute < 0 || second < 0)
            return std::nullopt;
        const QDate date(year, month, day);
        const QTime time(hour, minute, second);
        if (!date.isValid() || !time.isValid())
            return std::nullopt;
        return QDateTime(date, time, Qt::UTC);
    }

    // A key without escapes, seen in place: keys are compared, never kept.
    std::optional<QStringView> readPlainKey()
    {
        if (!take(u'"'))
            return std::nullopt;
        const qsizetype start = m_position;
        const qsizetype end = plainStringEnd(start);
        if (end < 0 || m_text.at(end) != u'"')
            return std::nullopt;
        m_position = end + 1;
        return m_text.sliced(start, end - start);
    }

    // Where the run of characters from `from` that need no unescaping ends: at a double quote,
    // a backslash or a control character; -1 at the end of the text. Scans with plain pointers:
    // the index is a few megabytes of such runs.
    qsizetype plainStringEnd(qsizetype from) const
    {
        const char16_t* const begin = reinterpret_cast<const char16_t*>(m_text.data());
        const char16_t* const end = begin + m_text.size();
        const char16_t* p = begin + from;
#ifdef __SSE2__
        // Eight characters at a time: none of them a quote, a backslash or below U+0020.
        const __m128i quote = _mm_set1_epi16(u'"');
        const __m128i backslash = _mm_set1_epi16(u'\\');
        const __m128i lastControl = _mm_set1_epi16(0x1f);
        const __m128i zero = _mm_setzero_si128();
        for (; end - p >= 8; p += 8) {
            const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            const __m128i stops = _mm_or_si128(
                _mm_or_si128(_mm_cmpeq_epi16(chunk, quote), _mm_cmpeq_epi16(chunk, backslash)),
                _mm_cmpeq_epi16(_mm_subs_epu16(chunk, lastControl), zero));
            if (_mm_movemask_epi8(stops))
                break;
        }
#endif
        for (; p < end; ++p) {
            if (*p == u'"' || *p == u'\\' || *p < 0x20)
                return p - begin;
        }
        return -1;
    }

    // A string with no escapes but \" \\ \/ \b \f \n \r \t: seen in place when it has none,
    // else unescaped into `storage`.
    std::optional<QStringView> readStringView(QString& storage)
    {
        if (!take(u'"'))
            return std::nullopt;
        const qsizetype start = m_position;
        const qsizetype end = plainStringEnd(start);
        if (end < 0)
            return std::nullopt;
        m_position = end;
        const char16_t c = m_text.at(end).unicode();
        if (c == u'\\') {
            std::optional<QString> unescaped = readEscapedString(start);
            if (!unescaped)
                return std::nullopt;
            storage = std::move(*unescaped);
            return QStringView(storage);
        }
        if (c != u'"')
            return std::nullopt; // a control character: not allowed raw in JSON
        ++m_position;
        return m_text.sliced(start, end - start);
    }

    std::optional<QString> readEscapedString(qsizetype start)
    {
        QString value = m_text.sliced(start, m_position - start).toString();
        while (m_position < m_text.size()) {
            const char16_t c = m_text.at(m_position++).unicode();
            if (c == u'"')
                return value;
            if (c < 0x20)
                return std::nullopt;
            if (c != u'\\') {
                value.append(QChar(c));
                continue;
            }
            if (m_position == m_text.size())
                return std::nullopt;
            switch (m_text.at(m_position++).unicode()) {
            case u'"':
                value.append(u'"');
                break;
            case u'\\':
                value.append(u'\\');
                break;
            case u'/':
                value.append(u'/');
                break;
            case u'b':
                value.append(u'\b');
                break;
            case u'f':
                value.append(u'\f');
                break;
            case u'n':
                value.append(u'\n');
                break;
            case u'r':
                value.append(u'\r');
                break;
            case u't':
                value.append(u'\t');
                break;
            default:
                return std::nullopt; // \u and anything unknown
            }
        }
        return std::nullopt;
    }

    void skipSpace()
    {
        while (m_position < m_text.size()) {
            const char16_t c = m_text.at(m_position).unicode();
            if (c != u' ' && c != u'\n' && c != u'\r' && c != u'\t')
                return;
            ++m_position;
        }
    }

    bool take(char16_t c)
    {
        if (m_position < m_text.size() && m_text.at(m_position).unicode() == c) {
            ++m_position;
            return true;
        }
        return false;
    }

    QStringView m_text;
    qsizetype m_position = 0;
};

} // namespace

std::optional<QList<MemoIndexEntry>> decodePlainMemoIndex(const QByteArray& bytes)
{
    // Invalid UTF-8 makes the whole file unreadable; the general reader reports that.
    const std::optional<QString> text = decodeUtf8Strict(bytes);
    if (!text)
        return std::nullopt;
    return PlainIndexReader(*text).read();
}
