#include "searchfold.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <optional>
#include <vector>

namespace {

bool isCombiningMark(QChar c)
{
    switch (c.category()) {
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing:
        return true;
    default:
        return false;
    }
}

// The fold by its definition, for a piece of text that can be folded on its own.
QString foldRun(QStringView text)
{
    const QString decomposed = text.toString().normalized(QString::NormalizationForm_KD);
    QString stripped;
    stripped.reserve(decomposed.size());
    for (QChar c : decomposed) {
        if (!isCombiningMark(c))
            stripped.append(c);
    }
    // Simple case folding keeps the sharp s; full folding makes it "ss".
    return stripped.toCaseFolded()
        .replace(QChar(0x00DF), QLatin1String("ss"))
        .normalized(QString::NormalizationForm_KC);
}

// ASCII and the CJK unified ideographs, nearly all of a vault's text, fold to themselves (ASCII
// letters to lower case) and never combine with a neighbour.
bool foldsTrivially(char16_t c)
{
    return c < 0x80 || (c >= 0x4E00 && c <= 0x9FFF);
}

bool isHangul(char16_t c)
{
    return (c >= 0x1100 && c <= 0x11FF) || (c >= 0x3130 && c <= 0x318F) ||
           (c >= 0xA960 && c <= 0xA97F) || (c >= 0xAC00 && c <= 0xD7FF) ||
           (c >= 0xFFA0 && c <= 0xFFDC);
}

// The fold of each BMP character, learnt on first use. A character is "alone" when its fold can
// be joined to its neighbours' without changing the fold of the whole: after marks are dropped,
// only Hangul jamo still compose, and nothing else in the fold reorders. Others (Hangul,
// surrogates, marks, folds with combining classes) are folded together with their neighbours.
class CharacterFolds
{
public:
    // The fold of `c` when it stands alone; nothing otherwise.
    std::optional<QStringView> fold(char16_t c)
    {
        quint32 entry = m_entries[c].load(std::memory_order_acquire);
        if (!(entry & known))
            entry = learn(c);
        if (!(entry & alone))
            return std::nullopt;
        return QStringView(m_pool.data() + (entry & 0xffffff), qsizetype((entry >> 24) & 0x1f));
    }

private:
    static constexpr quint32 known = 0x80000000u;
    static constexpr quint32 alone = 0x40000000u;

    quint32 learn(char16_t c)
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        quint32 entry = m_entries[c].load(std::memory_order_relaxed);
        if (entry & known)
            return entry;
        entry = known;
        if (!QChar::isSurrogate(c) && !isHangul(c)) {
            const QChar character(c);
            const QString folded = foldRun(QStringView(&character, 1));
            const bool reorders = std::any_of(folded.cbegin(), folded.cend(), [](QChar f) {
                return f.combiningClass() != 0 || isHangul(f.unicode()) || f.isSurrogate();
            });
            // A character that folds to nothing (a combining mark) may let its neighbours
            // compose, as in Hangul jamo around a mark: it is folded with them.
            if (!reorders && !folded.isEmpty() && folded.size() < 32 &&
                m_pool.size() + folded.size() <= capacity) {
                entry |= alone | (quint32(folded.size()) << 24) | quint32(m_pool.size());
                for (QChar f : folded)
                    m_pool.push_back(f.unicode());
            }
        }
        m_entries[c].store(entry, std::memory_order_release);
        return entry;
    }

    // Reserved once, so that readers never see it move.
    static constexpr std::size_t capacity = 1 << 18;
    std::vector<char16_t> m_pool = [] {
        std::vector<char16_t> pool;
        pool.reserve(capacity);
        return pool;
    }();
    std::atomic<quint32> m_entries[0x10000] = {};
    std::mutex m_mutex;
};

CharacterFolds& characterFolds()
{
    static CharacterFolds folds;
    return folds;
}

} // namespace

QString foldForSearch(QStringView text)
{
    CharacterFolds& folds = characterFolds();
    const char16_t* data = text.utf16();
    const qsizetype size = text.size();
    // Written in place: one character out for most characters in, more for a few (ligatures,
    // squared units), for which room is made as they come.
    QString folded(size, Qt::Uninitialized);
    qsizetype used = 0;
    char16_t* out = reinterpret_cast<char16_t*>(folded.data());
    const auto append = [&](QStringView piece, qsizetype remaining) {
        if (used + piece.size() + remaining > folded.size()) {
            folded.resize(std::max(folded.size() * 2, used + piece.size() + remaining));
            out = reinterpret_cast<char16_t*>(folded.data());
        }
        std::copy(piece.utf16(), piece.utf16() + piece.size(), out + used);
        used += piece.size();
    };
    qsizetype i = 0;
    while (i < size) {
        const char16_t c = data[i];
        if (c < 0x80) {
            out[used++] = c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c;
            ++i;
            continue;
        }
        if (foldsTrivially(c)) {
            out[used++] = c;
            ++i;
            continue;
        }
        if (const std::optional<QStringView> alone = folds.fold(c)) {
            append(*alone, size - i - 1);
            ++i;
            continue;
        }
        // A character that has to be folded with its neighbours: the run up to the next one
        // that stands alone.
        qsizetype end = i + 1;
        while (end < size && !foldsTrivially(data[end]) && !folds.fold(data[end]))
            ++end;
        append(foldRun(text.sliced(i, end - i)), size - end);
        i = end;
    }
    folded.truncate(used);
    return folded;
}
