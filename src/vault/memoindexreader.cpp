#include "memoindexreader.h"

#include "fileio.h"

#include <QStringView>

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
        std::optional<QString> id, createdAt, journalPath, digest, folder;
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
            std::optional<QString> value = readString();
            if (!value)
                return std::nullopt; // null, numbers, objects...: not the plain shape
            std::optional<QString>* slot = nullptr; // other keys carry nothing for the index
            if (*key == QLatin1String("id"))
                slot = &id;
            else if (*key == QLatin1String("createdAt"))
                slot = &createdAt;
            else if (*key == QLatin1String("journalPath"))
                slot = &journalPath;
            else if (*key == QLatin1String("contentDigest"))
                slot = &digest;
            else if (*key == QLatin1String("folderPath"))
                slot = &folder;
            if (slot) {
                if (*slot)
                    return std::nullopt; // a repeated key
                *slot = std::move(value);
            }
            skipSpace();
        } while (take(u','));
        skipSpace();
        if (!take(u'}') || !id || !createdAt || !journalPath || !digest)
            return std::nullopt;
        const std::optional<QDateTime> date = utcDate(*createdAt);
        if (!date)
            return std::nullopt;
        return MemoIndexEntry{*id, *date, *journalPath, *digest, folder};
    }

    // "yyyy-MM-ddTHH:mm:ssZ" exactly, as written; any other form goes to the general reader.
    static std::optional<QDateTime> utcDate(const QString& text)
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
        while (m_position < m_text.size()) {
            const char16_t c = m_text.at(m_position).unicode();
            if (c == u'"') {
                const QStringView key = m_text.sliced(start, m_position - start);
                ++m_position;
                return key;
            }
            if (c == u'\\' || c < 0x20)
                return std::nullopt;
            ++m_position;
        }
        return std::nullopt;
    }

    // A string with no escapes but \" \\ \/ \b \f \n \r \t.
    std::optional<QString> readString()
    {
        if (!take(u'"'))
            return std::nullopt;
        const qsizetype start = m_position;
        while (m_position < m_text.size()) {
            const char16_t c = m_text.at(m_position).unicode();
            if (c == u'"') {
                const QString plain = m_text.sliced(start, m_position - start).toString();
                ++m_position;
                return plain;
            }
            if (c == u'\\')
                return readEscapedString(start);
            if (c < 0x20)
                return std::nullopt; // not allowed raw in JSON
            ++m_position;
        }
        return std::nullopt;
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
