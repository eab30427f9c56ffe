#pragma once

#include "searchkeys.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

// The article search index: for each term and gram (searchkeys.h), the articles that hold it,
// so that a search looks up its words instead of scanning every article's text. Articles are
// numbered by slots; the listing tells which slot each of its articles has.

// A set of slots.
class SlotSet
{
public:
    SlotSet() = default;
    explicit SlotSet(qsizetype size, bool filled = false);
    qsizetype size() const { return m_size; }
    bool contains(qsizetype slot) const
    {
        return slot >= 0 && slot < m_size && (m_words.at(slot >> 6) >> (slot & 63)) & 1;
    }
    void insert(qsizetype slot) { m_words[slot >> 6] |= quint64(1) << (slot & 63); }
    void remove(qsizetype slot) { m_words[slot >> 6] &= ~(quint64(1) << (slot & 63)); }
    void intersect(const SlotSet& other);
    void unite(const SlotSet& other);
    // Adds the slots of a bitmap of `words` words starting at slot 0.
    void uniteWords(const char* words, qsizetype count);
    qsizetype count() const;

private:
    QList<quint64> m_words;
    qsizetype m_size = 0;
};

// Postings of articles numbered 0 to slotCount - 1, kept in one block of bytes: the form the
// start-up cache stores, read back without parsing. Immutable.
class SearchPostings
{
public:
    // The postings of `documents`, the keys of slot 0, 1, ...
    static std::shared_ptr<const SearchPostings>
    build(const QList<const ArticleIndexKeys*>& documents);
    // The postings of `base` with each slot s moved to newSlot[s] (dropped when -1), followed by
    // `documents`, which take the slots from `firstDocumentSlot` on.
    static std::shared_ptr<const SearchPostings>
    merge(const SearchPostings& base, const QList<qint32>& newSlot, qsizetype firstDocumentSlot,
          const QList<const ArticleIndexKeys*>& documents);
    // Postings read back from bytes; nothing when they are not well formed.
    static std::shared_ptr<const SearchPostings> fromBytes(const QByteArray& bytes);

    // The block; valid as long as the postings are.
    QByteArray bytes() const;
    qsizetype slotCount() const { return m_slotCount; }

    // Adds the slots of the articles with a term that contains `part`.
    void addTermsContaining(QStringView part, SlotSet& into) const;
    // Adds the slots of the articles with the gram `key`.
    void addGram(quint64 key, SlotSet& into) const;

private:
    SearchPostings() = default;
    bool locate();
    void addPosting(qsizetype index, SlotSet& into) const;
    template <typename Visit> void forEachSlot(qsizetype index, Visit&& visit) const;

    std::vector<quint64> m_storage; // the block, aligned for the offsets and keys read from it
    qsizetype m_size = 0;
    qsizetype m_slotCount = 0;
    qsizetype m_termCount = 0;
    qsizetype m_gramCount = 0;
    const quint32* m_termStarts = nullptr; // termCount + 1 offsets into m_termText
    const char16_t* m_termText = nullptr;  // each term followed by U+0000
    const quint64* m_gramKeys = nullptr;
    const quint32* m_postingStarts = nullptr; // terms, then grams, then the end
    const uchar* m_postings = nullptr;
};

// One state of the index, shared by the listings that carry it. Immutable.
class ArticleSearchIndex
{
public:
    qsizetype slotCount() const { return m_live.size(); }
    // The folded title of the article in `slot`.
    QString foldedTitle(qsizetype slot) const;
    // The slots of the articles whose folded title and text hold `foldedWord` (no white space).
    // When `*exact` comes back false, the set may hold more articles than that; each has then
    // to be checked.
    SlotSet match(QStringView foldedWord, bool* exact) const;

private:
    friend class ArticleIndexBuilder;
    std::shared_ptr<const SearchPostings> m_base;
    std::shared_ptr<const SearchPostings> m_recent;
    QStringList m_baseTitles;
    QStringList m_recentTitles;
    SlotSet m_live;
};

// Keeps the index up to date as articles come, change and go. Recent changes are kept apart
// (small postings rebuilt when they change) and merged into the rest now and then.
class ArticleIndexBuilder
{
public:
    ArticleIndexBuilder();
    ~ArticleIndexBuilder();

    // Adds or replaces the article at `path`.
    void setDocument(const QString& path, ArticleIndexKeys keys);
    void removeDocument(const QString& path);
    bool contains(const QString& path) const;
    qsizetype documentCount() const;

    // The index as it is now, and the slot of an article in it (-1 when not indexed).
    std::shared_ptr<const ArticleSearchIndex> index();
    qint32 slotOf(const QString& path);

    // What the start-up cache stores: everything merged, the postings and, by slot, each
    // article's path and folded title.
    struct Stored
    {
        QByteArray postings;
        QStringList paths;
        QStringList foldedTitles;
    };
    Stored stored();
    // Nothing when the parts do not fit together.
    static std::unique_ptr<ArticleIndexBuilder> fromStored(const Stored& stored);

private:
    void mergeRecent();

    std::shared_ptr<const SearchPostings> m_base;
    QStringList m_basePaths;
    QStringList m_baseTitles;
    QHash<QString, qint32> m_baseSlots;
    SlotSet m_baseLive;
    qsizetype m_baseDead = 0;
    QStringList m_recentOrder;
    QHash<QString, ArticleIndexKeys> m_recent;
    std::shared_ptr<const ArticleSearchIndex> m_index; // of now, made when asked for
    QHash<QString, qint32> m_recentSlots;              // in m_index
};
