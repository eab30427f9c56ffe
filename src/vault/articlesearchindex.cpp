#include "articlesearchindex.h"

#include <QtEndian>

#include <algorithm>
#include <bit>
#include <cstring>
#include <numeric>
#include <vector>

namespace {

constexpr quint32 postingsMagic = 0x5053584C; // "LXSP"
constexpr quint32 postingsVersion = 1;

enum PostingKind : uchar { slotList = 0, slotBitmap = 1 };

qsizetype wordCount(qsizetype slotCount)
{
    return (slotCount + 63) / 64;
}

// The slots of each key, gathered before they are written. Grams are few (thousands) and met
// millions of times: they are found in an open-addressing table rather than a general hash.
struct PostingLists
{
    QHash<QString, qsizetype> termIds;
    std::vector<QString> terms;
    std::vector<std::vector<quint32>> termSlots;
    std::vector<quint64> gramKeys; // open addressing; 0 is no key (every gram has a kind bit)
    std::vector<qsizetype> gramIds;
    std::vector<quint64> grams;
    std::vector<std::vector<quint32>> gramSlots;

    std::vector<quint32>& term(const QString& term)
    {
        const auto found = termIds.constFind(term);
        if (found != termIds.cend())
            return termSlots[size_t(found.value())];
        termIds.insert(term, qsizetype(terms.size()));
        terms.push_back(term);
        return termSlots.emplace_back();
    }

    std::vector<quint32>& gram(quint64 key)
    {
        if ((grams.size() + 1) * 2 > gramKeys.size())
            growGrams();
        const std::size_t mask = gramKeys.size() - 1;
        for (std::size_t at = std::size_t(key * 0x9E3779B97F4A7C15ull >> 24) & mask;;
             at = (at + 1) & mask) {
            if (gramKeys[at] == key)
                return gramSlots[size_t(gramIds[at])];
            if (gramKeys[at] == 0) {
                gramKeys[at] = key;
                gramIds[at] = qsizetype(grams.size());
                grams.push_back(key);
                return gramSlots.emplace_back();
            }
        }
    }

    void growGrams()
    {
        const std::size_t size = std::max<std::size_t>(4096, gramKeys.size() * 2);
        gramKeys.assign(size, 0);
        gramIds.assign(size, 0);
        for (qsizetype id = 0; id < qsizetype(grams.size()); ++id) {
            for (std::size_t at = std::size_t(grams[id] * 0x9E3779B97F4A7C15ull >> 24) & (size - 1);
                 ; at = (at + 1) & (size - 1)) {
                if (gramKeys[at] == 0) {
                    gramKeys[at] = grams[id];
                    gramIds[at] = id;
                    break;
                }
            }
        }
    }

    void add(quint32 slot, const ArticleIndexKeys& keys)
    {
        for (const QString& key : keys.terms)
            term(key).push_back(slot);
        for (const quint64 key : keys.grams)
            gram(key).push_back(slot);
    }
};

void appendVarint(QByteArray& out, quint64 value)
{
    while (value >= 0x80) {
        out.append(char(value | 0x80));
        value >>= 7;
    }
    out.append(char(value));
}

template <typename T> void appendRaw(QByteArray& out, T value)
{
    out.append(reinterpret_cast<const char*>(&value), sizeof value);
}

void padToEight(QByteArray& out)
{
    while (out.size() % 8)
        out.append('\0');
}

void appendPosting(QByteArray& out, const std::vector<quint32>& found, qsizetype slotCount)
{
    if (qsizetype(found.size()) * 8 > slotCount) {
        out.append(char(slotBitmap));
        const qsizetype at = out.size();
        out.resize(at + wordCount(slotCount) * 8, '\0');
        auto* bits = reinterpret_cast<uchar*>(out.data() + at);
        for (const quint32 slot : found)
            bits[slot >> 3] |= uchar(1u << (slot & 7));
        return;
    }
    out.append(char(slotList));
    appendVarint(out, quint64(found.size()));
    quint32 previous = 0;
    for (const quint32 slot : found) {
        appendVarint(out, slot - previous);
        previous = slot;
    }
}

// The block layout: a header, term starts, term text, gram keys, posting starts, postings; each
// part aligned to eight bytes.
QByteArray encode(qsizetype slotCount, PostingLists&& lists)
{
    std::vector<qsizetype> termOrder(lists.terms.size());
    std::iota(termOrder.begin(), termOrder.end(), 0);
    std::sort(termOrder.begin(), termOrder.end(),
              [&](qsizetype a, qsizetype b) { return lists.terms[a] < lists.terms[b]; });
    std::vector<qsizetype> gramOrder(lists.grams.size());
    std::iota(gramOrder.begin(), gramOrder.end(), 0);
    std::sort(gramOrder.begin(), gramOrder.end(),
              [&](qsizetype a, qsizetype b) { return lists.grams[a] < lists.grams[b]; });

    QByteArray out;
    appendRaw(out, postingsMagic);
    appendRaw(out, postingsVersion);
    qsizetype textLength = 0;
    for (const QString& term : lists.terms)
        textLength += term.size() + 1;
    for (const qint64 value : {qint64(slotCount), qint64(lists.terms.size()),
                               qint64(lists.grams.size()), qint64(textLength)})
        appendRaw(out, value);
    quint32 start = 0;
    for (const qsizetype t : termOrder) {
        appendRaw(out, start);
        start += quint32(lists.terms[t].size() + 1);
    }
    appendRaw(out, start);
    padToEight(out);
    for (const qsizetype t : termOrder) {
        const QString& term = lists.terms[t];
        out.append(reinterpret_cast<const char*>(term.utf16()), term.size() * 2);
        out.append("\0\0", 2);
    }
    padToEight(out);
    for (const qsizetype g : gramOrder)
        appendRaw(out, lists.grams[g]);

    QByteArray postings;
    postings.reserve(qsizetype(lists.termSlots.size() + lists.gramSlots.size()) * 8);
    QList<quint32> starts;
    starts.reserve(qsizetype(termOrder.size() + gramOrder.size() + 1));
    for (const qsizetype t : termOrder) {
        starts.append(quint32(postings.size()));
        appendPosting(postings, lists.termSlots[t], slotCount);
    }
    for (const qsizetype g : gramOrder) {
        starts.append(quint32(postings.size()));
        appendPosting(postings, lists.gramSlots[g], slotCount);
    }
    starts.append(quint32(postings.size()));
    for (const quint32 value : std::as_const(starts))
        appendRaw(out, value);
    padToEight(out);
    out.append(postings);
    return out;
}

} // namespace

SlotSet::SlotSet(qsizetype size, bool filled)
    : m_words(wordCount(size), filled ? ~quint64(0) : 0), m_size(size)
{
    if (filled && size % 64)
        m_words.last() = (quint64(1) << (size % 64)) - 1;
}

void SlotSet::intersect(const SlotSet& other)
{
    for (qsizetype i = 0; i < m_words.size(); ++i)
        m_words[i] &= i < other.m_words.size() ? other.m_words.at(i) : 0;
}

void SlotSet::unite(const SlotSet& other)
{
    for (qsizetype i = 0; i < m_words.size() && i < other.m_words.size(); ++i)
        m_words[i] |= other.m_words.at(i);
}

void SlotSet::uniteWords(const char* words, qsizetype count)
{
    count = std::min(count, m_words.size());
    for (qsizetype i = 0; i < count; ++i) {
        quint64 word;
        std::memcpy(&word, words + i * 8, sizeof word);
        m_words[i] |= word;
    }
}

qsizetype SlotSet::count() const
{
    qsizetype total = 0;
    for (const quint64 word : m_words)
        total += std::popcount(word);
    return total;
}

std::shared_ptr<const SearchPostings>
SearchPostings::build(const QList<const ArticleIndexKeys*>& documents)
{
    return merge(*fromBytes(encode(0, {})), {}, 0, documents);
}

std::shared_ptr<const SearchPostings>
SearchPostings::merge(const SearchPostings& base, const QList<qint32>& newSlot,
                      qsizetype firstDocumentSlot, const QList<const ArticleIndexKeys*>& documents)
{
    PostingLists lists;
    const auto remapped = [&](qsizetype index) {
        std::vector<quint32> moved;
        base.forEachSlot(index, [&](quint32 slot) {
            if (slot < quint32(newSlot.size()) && newSlot.at(slot) >= 0)
                moved.push_back(quint32(newSlot.at(slot)));
        });
        return moved;
    };
    for (qsizetype t = 0; t < base.m_termCount; ++t) {
        std::vector<quint32> moved = remapped(t);
        if (!moved.empty()) {
            const qsizetype start = base.m_termStarts[t];
            const qsizetype length = base.m_termStarts[t + 1] - start - 1;
            lists.term(QString(reinterpret_cast<const QChar*>(base.m_termText + start), length)) =
                std::move(moved);
        }
    }
    for (qsizetype g = 0; g < base.m_gramCount; ++g) {
        std::vector<quint32> moved = remapped(base.m_termCount + g);
        if (!moved.empty())
            lists.gram(base.m_gramKeys[g]) = std::move(moved);
    }
    for (qsizetype i = 0; i < documents.size(); ++i)
        lists.add(quint32(firstDocumentSlot + i), *documents.at(i));
    return fromBytes(encode(firstDocumentSlot + documents.size(), std::move(lists)));
}

std::shared_ptr<const SearchPostings> SearchPostings::fromBytes(const QByteArray& bytes)
{
    auto postings = std::shared_ptr<SearchPostings>(new SearchPostings());
    postings->m_storage.resize(size_t(wordCount(bytes.size() * 8)));
    std::memcpy(postings->m_storage.data(), bytes.constData(), size_t(bytes.size()));
    postings->m_size = bytes.size();
    if (!postings->locate())
        return nullptr;
    return postings;
}

QByteArray SearchPostings::bytes() const
{
    return QByteArray::fromRawData(reinterpret_cast<const char*>(m_storage.data()), m_size);
}

bool SearchPostings::locate()
{
    const char* data = reinterpret_cast<const char*>(m_storage.data());
    const qsizetype size = m_size;
    if (size < 40)
        return false;
    quint32 magic, version;
    std::memcpy(&magic, data, 4);
    std::memcpy(&version, data + 4, 4);
    qint64 header[4];
    std::memcpy(header, data + 8, sizeof header);
    if (magic != postingsMagic || version != postingsVersion)
        return false;
    for (const qint64 value : header) {
        if (value < 0 || value > size)
            return false;
    }
    m_slotCount = header[0];
    m_termCount = header[1];
    m_gramCount = header[2];
    const qsizetype textLength = header[3];
    const auto aligned = [](qsizetype offset) { return (offset + 7) / 8 * 8; };
    qsizetype offset = 40;
    const qsizetype termStarts = offset;
    offset = aligned(offset + (m_termCount + 1) * 4);
    const qsizetype termText = offset;
    offset = aligned(offset + textLength * 2);
    const qsizetype gramKeys = offset;
    offset += m_gramCount * 8;
    const qsizetype postingStarts = offset;
    offset = aligned(offset + (m_termCount + m_gramCount + 1) * 4);
    if (offset > size)
        return false;
    m_termStarts = reinterpret_cast<const quint32*>(data + termStarts);
    m_termText = reinterpret_cast<const char16_t*>(data + termText);
    m_gramKeys = reinterpret_cast<const quint64*>(data + gramKeys);
    m_postingStarts = reinterpret_cast<const quint32*>(data + postingStarts);
    m_postings = reinterpret_cast<const uchar*>(data + offset);
    const qsizetype postingBytes = size - offset;
    // Everything a lookup relies on: starts in order and in range, terms ended, keys sorted.
    if (m_termStarts[0] != 0 || qsizetype(m_termStarts[m_termCount]) != textLength)
        return false;
    for (qsizetype t = 0; t < m_termCount; ++t) {
        if (m_termStarts[t] >= m_termStarts[t + 1] || m_termText[m_termStarts[t + 1] - 1] != u'\0')
            return false;
    }
    for (qsizetype g = 1; g < m_gramCount; ++g) {
        if (m_gramKeys[g - 1] >= m_gramKeys[g])
            return false;
    }
    for (qsizetype p = 0; p < m_termCount + m_gramCount; ++p) {
        if (m_postingStarts[p] >= m_postingStarts[p + 1])
            return false;
    }
    return qsizetype(m_postingStarts[m_termCount + m_gramCount]) == postingBytes;
}

template <typename Visit> void SearchPostings::forEachSlot(qsizetype index, Visit&& visit) const
{
    if (index >= m_termCount + m_gramCount)
        return;
    const uchar* p = m_postings + m_postingStarts[index];
    const uchar* const end = m_postings + m_postingStarts[index + 1];
    const auto varint = [&](quint64& value) {
        value = 0;
        for (int shift = 0; p < end && shift < 64; shift += 7) {
            const uchar byte = *p++;
            value |= quint64(byte & 0x7f) << shift;
            if (!(byte & 0x80))
                return true;
        }
        return false;
    };
    if (*p++ == slotBitmap) {
        for (qsizetype w = 0; w < wordCount(m_slotCount) && p + 8 <= end; ++w, p += 8) {
            quint64 word;
            std::memcpy(&word, p, sizeof word);
            for (; word; word &= word - 1)
                visit(quint32(w * 64 + std::countr_zero(word)));
        }
        return;
    }
    quint64 count = 0;
    quint64 slot = 0;
    if (!varint(count))
        return;
    for (quint64 i = 0; i < count; ++i) {
        quint64 gap = 0;
        if (!varint(gap))
            return;
        slot += gap;
        if (slot >= quint64(m_slotCount))
            return;
        visit(quint32(slot));
    }
}

void SearchPostings::addPosting(qsizetype index, SlotSet& into) const
{
    const uchar* p = m_postings + m_postingStarts[index];
    if (*p == slotBitmap) {
        const qsizetype available = (m_postingStarts[index + 1] - m_postingStarts[index] - 1) / 8;
        into.uniteWords(reinterpret_cast<const char*>(p + 1),
                        std::min(available, wordCount(m_slotCount)));
        return;
    }
    forEachSlot(index, [&](quint32 slot) { into.insert(slot); });
}

void SearchPostings::addTermsContaining(QStringView part, SlotSet& into) const
{
    if (part.isEmpty() || m_termCount == 0)
        return;
    const QStringView text(m_termText, m_termStarts[m_termCount]);
    for (qsizetype from = 0;;) {
        const qsizetype hit = text.indexOf(part, from);
        if (hit < 0)
            return;
        // The term holding the hit; the search goes on after it.
        const quint32* const starts = m_termStarts;
        const qsizetype term =
            std::upper_bound(starts, starts + m_termCount + 1, quint32(hit)) - starts - 1;
        addPosting(term, into);
        from = starts[term + 1];
    }
}

void SearchPostings::addGram(quint64 key, SlotSet& into) const
{
    const quint64* const end = m_gramKeys + m_gramCount;
    const quint64* found = std::lower_bound(m_gramKeys, end, key);
    if (found != end && *found == key)
        addPosting(m_termCount + (found - m_gramKeys), into);
}
