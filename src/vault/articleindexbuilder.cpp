// The article search index as it changes: ArticleSearchIndex and ArticleIndexBuilder.

#include "articlesearchindex.h"

#include <algorithm>

QString ArticleSearchIndex::foldedTitle(qsizetype slot) const
{
    const qsizetype base = m_baseTitles.size();
    return slot < base ? m_baseTitles.at(slot) : m_recentTitles.value(slot - base);
}

SlotSet ArticleSearchIndex::match(QStringView foldedWord, bool* exact) const
{
    const WordKeys keys = wordKeys(foldedWord);
    *exact = keys.exact;
    const qsizetype base = m_base->slotCount();
    SlotSet baseSlots(base, true);
    SlotSet recentSlots(m_recent ? m_recent->slotCount() : 0, true);
    // Each part narrows the set: the slots of every term containing it, or of the gram.
    const auto narrow = [&](const auto& add) {
        SlotSet found(base);
        add(*m_base, found);
        baseSlots.intersect(found);
        if (m_recent) {
            SlotSet recentFound(m_recent->slotCount());
            add(*m_recent, recentFound);
            recentSlots.intersect(recentFound);
        }
    };
    for (const QString& part : keys.termParts)
        narrow([&](const SearchPostings& postings, SlotSet& into) {
            postings.addTermsContaining(part, into);
        });
    for (const quint64 gram : keys.grams)
        narrow(
            [&](const SearchPostings& postings, SlotSet& into) { postings.addGram(gram, into); });
    SlotSet result(slotCount());
    result.unite(baseSlots);
    for (qsizetype i = 0; i < recentSlots.size(); ++i) {
        if (recentSlots.contains(i))
            result.insert(base + i);
    }
    result.intersect(m_live);
    return result;
}

ArticleIndexBuilder::ArticleIndexBuilder() : m_base(SearchPostings::build({})) {}

ArticleIndexBuilder::~ArticleIndexBuilder() = default;

void ArticleIndexBuilder::setDocument(const QString& path, ArticleIndexKeys keys)
{
    const auto base = m_baseSlots.constFind(path);
    if (base != m_baseSlots.cend() && m_baseLive.contains(base.value())) {
        m_baseLive.remove(base.value());
        ++m_baseDead;
    }
    if (!m_recent.contains(path))
        m_recentOrder.append(path);
    m_recent.insert(path, std::move(keys));
    m_index.reset();
}

void ArticleIndexBuilder::removeDocument(const QString& path)
{
    const auto base = m_baseSlots.constFind(path);
    if (base != m_baseSlots.cend() && m_baseLive.contains(base.value())) {
        m_baseLive.remove(base.value());
        ++m_baseDead;
        m_index.reset();
    }
    if (m_recent.remove(path)) {
        m_recentOrder.removeOne(path);
        m_index.reset();
    }
}

bool ArticleIndexBuilder::contains(const QString& path) const
{
    if (m_recent.contains(path))
        return true;
    const auto base = m_baseSlots.constFind(path);
    return base != m_baseSlots.cend() && m_baseLive.contains(base.value());
}

qsizetype ArticleIndexBuilder::documentCount() const
{
    return m_basePaths.size() - m_baseDead + m_recent.size();
}

void ArticleIndexBuilder::mergeRecent()
{
    QList<qint32> newSlot(m_basePaths.size(), -1);
    QStringList paths;
    QStringList titles;
    for (qsizetype slot = 0; slot < m_basePaths.size(); ++slot) {
        if (!m_baseLive.contains(slot))
            continue;
        newSlot[slot] = qint32(paths.size());
        paths.append(m_basePaths.at(slot));
        titles.append(m_baseTitles.at(slot));
    }
    const qsizetype firstRecent = paths.size();
    QList<const ArticleIndexKeys*> documents;
    for (const QString& path : std::as_const(m_recentOrder)) {
        const ArticleIndexKeys& keys = m_recent.find(path).value();
        documents.append(&keys);
        paths.append(path);
        titles.append(keys.foldedTitle);
    }
    m_base = SearchPostings::merge(*m_base, newSlot, firstRecent, documents);
    m_basePaths = paths;
    m_baseTitles = titles;
    m_baseSlots.clear();
    for (qsizetype slot = 0; slot < paths.size(); ++slot)
        m_baseSlots.insert(paths.at(slot), qint32(slot));
    m_baseLive = SlotSet(paths.size(), true);
    m_baseDead = 0;
    m_recent.clear();
    m_recentOrder.clear();
    m_index.reset();
}

std::shared_ptr<const ArticleSearchIndex> ArticleIndexBuilder::index()
{
    if (m_index)
        return m_index;
    // Recent changes are indexed apart, at a cost that grows with their number; past a few
    // dozen (or when many merged articles are gone) everything is merged again.
    const qsizetype base = m_basePaths.size();
    if (m_recent.size() > std::max<qsizetype>(64, base / 16) ||
        (m_baseDead > 0 && m_baseDead > base / 4))
        mergeRecent();
    auto index = std::make_shared<ArticleSearchIndex>();
    index->m_base = m_base;
    index->m_baseTitles = m_baseTitles;
    m_recentSlots.clear();
    if (!m_recentOrder.isEmpty()) {
        QList<const ArticleIndexKeys*> documents;
        for (const QString& path : std::as_const(m_recentOrder)) {
            const ArticleIndexKeys& keys = m_recent.find(path).value();
            m_recentSlots.insert(path, qint32(m_basePaths.size() + documents.size()));
            documents.append(&keys);
            index->m_recentTitles.append(keys.foldedTitle);
        }
        index->m_recent = SearchPostings::build(documents);
    }
    index->m_live = SlotSet(m_basePaths.size() + m_recentOrder.size());
    index->m_live.unite(m_baseLive);
    for (qsizetype i = 0; i < m_recentOrder.size(); ++i)
        index->m_live.insert(m_basePaths.size() + i);
    m_index = index;
    return m_index;
}

qint32 ArticleIndexBuilder::slotOf(const QString& path)
{
    index();
    if (const auto recent = m_recentSlots.constFind(path); recent != m_recentSlots.cend())
        return recent.value();
    const auto base = m_baseSlots.constFind(path);
    if (base != m_baseSlots.cend() && m_baseLive.contains(base.value()))
        return base.value();
    return -1;
}

ArticleIndexBuilder::Stored ArticleIndexBuilder::stored()
{
    if (!m_recent.isEmpty() || m_baseDead > 0)
        mergeRecent();
    return Stored{m_base->bytes(), m_basePaths, m_baseTitles};
}

std::unique_ptr<ArticleIndexBuilder> ArticleIndexBuilder::fromStored(const Stored& stored)
{
    std::shared_ptr<const SearchPostings> postings = SearchPostings::fromBytes(stored.postings);
    if (!postings || postings->slotCount() != stored.paths.size() ||
        stored.foldedTitles.size() != stored.paths.size())
        return nullptr;
    auto builder = std::make_unique<ArticleIndexBuilder>();
    builder->m_base = std::move(postings);
    builder->m_basePaths = stored.paths;
    builder->m_baseTitles = stored.foldedTitles;
    for (qsizetype slot = 0; slot < stored.paths.size(); ++slot)
        builder->m_baseSlots.insert(stored.paths.at(slot), qint32(slot));
    if (builder->m_baseSlots.size() != stored.paths.size())
        return nullptr; // a path twice
    builder->m_baseLive = SlotSet(stored.paths.size(), true);
    return builder;
}
