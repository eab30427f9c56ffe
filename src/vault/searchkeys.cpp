#include "searchkeys.h"

#include "searchfold.h"

#include <QHash>

#include <algorithm>
#include <array>
#include <vector>

namespace {

SearchCharKind kindOf(char16_t c)
{
    // White space as searchTokens splits at it.
    if (c < 0x80) {
        if ((c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z'))
            return SearchCharKind::word;
        return c == u' ' || (c >= 0x09 && c <= 0x0d) ? SearchCharKind::space
                                                     : SearchCharKind::other;
    }
    if ((c >= 0x3040 && c <= 0x30FF) || (c >= 0x3400 && c <= 0x4DBF) ||
        (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xAC00 && c <= 0xD7A3))
        return SearchCharKind::ideograph;
    const QChar character(c);
    if (character.isSpace())
        return SearchCharKind::space;
    if (!character.isSurrogate() && character.isLetterOrNumber())
        return SearchCharKind::word;
    return SearchCharKind::other;
}

// The kind of every UTF-16 unit, looked up once per character of a whole vault.
const std::array<SearchCharKind, 0x10000>& kinds()
{
    static const auto table = [] {
        std::array<SearchCharKind, 0x10000> made{};
        for (std::size_t c = 0; c < made.size(); ++c)
            made[c] = kindOf(char16_t(c));
        return made;
    }();
    return table;
}

quint64 unigram(char16_t c)
{
    return (quint64(1) << 32) | c;
}

quint64 bigram(char16_t first, char16_t second)
{
    return (quint64(2) << 32) | (quint64(first) << 16) | second;
}

// A set without repeats, cleared in constant time, for the keys of one text after another: a
// whole vault's texts pass through it, so it avoids the allocations of a general hash set.
template <typename Key, typename Hash> class KeySet
{
public:
    // Whether `key` was new.
    bool insert(const Key& key)
    {
        if ((m_count + 1) * 2 > m_keys.size())
            grow();
        const std::size_t mask = m_keys.size() - 1;
        for (std::size_t at = Hash()(key) & mask;; at = (at + 1) & mask) {
            if (m_stamps[at] != m_stamp) {
                m_stamps[at] = m_stamp;
                m_keys[at] = key;
                m_inserted.push_back(key);
                ++m_count;
                return true;
            }
            if (m_keys[at] == key)
                return false;
        }
    }
    const std::vector<Key>& keys() const { return m_inserted; }
    void clear()
    {
        ++m_stamp;
        m_count = 0;
        m_inserted.clear();
    }

private:
    void grow()
    {
        const std::vector<Key> kept = m_inserted;
        const std::size_t size = std::max<std::size_t>(1024, m_keys.size() * 2);
        m_keys.assign(size, Key());
        m_stamps.assign(size, 0);
        m_stamp = 1;
        m_count = 0;
        m_inserted.clear();
        for (const Key& key : kept)
            insert(key);
    }

    std::vector<Key> m_keys;
    std::vector<quint32> m_stamps;
    quint32 m_stamp = 1;
    std::size_t m_count = 0;
    std::vector<Key> m_inserted;
};

struct ViewHash
{
    std::size_t operator()(QStringView view) const
    {
        // Terms are short: a multiplicative hash of their units is enough.
        quint64 hash = quint64(view.size()) * 0x9E3779B97F4A7C15ull;
        for (const QChar c : view)
            hash = (hash ^ c.unicode()) * 0x100000001B3ull;
        return std::size_t(hash ^ (hash >> 29));
    }
};
struct GramHash
{
    std::size_t operator()(quint64 key) const { return std::size_t(key * 0x9E3779B97F4A7C15ull >> 20); }
};

// The ideographs met in one text, as bits: most of a Chinese text's keys, set without hashing.
class IdeographSet
{
public:
    bool insert(char16_t c)
    {
        quint64& word = m_bits[c >> 6];
        const quint64 bit = quint64(1) << (c & 63);
        if (word & bit)
            return false;
        if (!word)
            m_touched.push_back(c >> 6);
        word |= bit;
        return true;
    }
    void clear()
    {
        for (const std::size_t word : m_touched)
            m_bits[word] = 0;
        m_touched.clear();
    }

private:
    std::array<quint64, 0x10000 / 64> m_bits{};
    std::vector<std::size_t> m_touched;
};

struct TextKeys
{
    KeySet<QStringView, ViewHash> terms;
    KeySet<quint64, GramHash> grams;
    IdeographSet unigrams;

    void clear()
    {
        terms.clear();
        grams.clear();
        unigrams.clear();
    }
};

// Adds the keys of one folded field (title or text) to the sets.
void collectKeys(QStringView text, TextKeys& keys)
{
    const std::array<SearchCharKind, 0x10000>& kind = kinds();
    const char16_t* data = text.utf16();
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size;) {
        const char16_t c = data[i];
        switch (kind[c]) {
        case SearchCharKind::space:
            ++i;
            break;
        case SearchCharKind::word: {
            qsizetype end = i + 1;
            while (end < size && kind[data[end]] == SearchCharKind::word)
                ++end;
            keys.terms.insert(text.sliced(i, end - i));
            i = end;
            break;
        }
        case SearchCharKind::ideograph:
        case SearchCharKind::other:
            if (keys.unigrams.insert(c))
                keys.grams.insert(unigram(c));
            if (kind[c] == SearchCharKind::ideograph && i + 1 < size &&
                kind[data[i + 1]] == SearchCharKind::ideograph)
                keys.grams.insert(bigram(c, data[i + 1]));
            ++i;
            break;
        }
    }
}

} // namespace

SearchCharKind searchCharKind(char16_t c)
{
    return kinds()[c];
}

ArticleIndexKeys articleIndexKeys(const QString& title, QStringView text)
{
    return foldedArticleIndexKeys(foldForSearch(title), foldForSearch(text));
}

ArticleIndexKeys foldedArticleIndexKeys(const QString& foldedTitle, QStringView foldedText)
{
    // Reused from text to text by each thread.
    thread_local TextKeys found;
    found.clear();
    collectKeys(foldedTitle, found);
    collectKeys(foldedText, found);
    ArticleIndexKeys keys;
    keys.foldedTitle = foldedTitle;
    keys.terms.reserve(qsizetype(found.terms.keys().size()));
    for (QStringView term : found.terms.keys())
        keys.terms.append(term.toString());
    keys.grams = QList<quint64>(found.grams.keys().cbegin(), found.grams.keys().cend());
    return keys;
}

WordKeys wordKeys(QStringView word)
{
    WordKeys keys;
    int segments = 0;
    SearchCharKind only = SearchCharKind::space;
    qsizetype onlyLength = 0;
    for (qsizetype i = 0; i < word.size();) {
        const SearchCharKind kind = searchCharKind(word.at(i).unicode());
        qsizetype end = i + 1;
        while (end < word.size() && searchCharKind(word.at(end).unicode()) == kind)
            ++end;
        const QStringView segment = word.sliced(i, end - i);
        ++segments;
        only = kind;
        onlyLength = segment.size();
        switch (kind) {
        case SearchCharKind::word:
            keys.termParts.append(segment.toString());
            break;
        case SearchCharKind::ideograph:
            if (segment.size() == 1)
                keys.grams.append(unigram(segment.at(0).unicode()));
            for (qsizetype k = 0; k + 1 < segment.size(); ++k)
                keys.grams.append(bigram(segment.at(k).unicode(), segment.at(k + 1).unicode()));
            break;
        case SearchCharKind::other:
            for (QChar c : segment)
                keys.grams.append(unigram(c.unicode()));
            break;
        case SearchCharKind::space:
            break; // never in a word; left to the check
        }
        i = end;
    }
    keys.exact = segments == 1 && (only == SearchCharKind::word ||
                                   (only == SearchCharKind::ideograph && onlyLength <= 2) ||
                                   (only == SearchCharKind::other && onlyLength == 1));
    return keys;
}
