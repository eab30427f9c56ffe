#pragma once

#include <QString>

#include <array>

// A compact summary of the characters and adjacent character pairs a text contains (4,096 bits,
// a Bloom filter with one hash). A text can only contain a needle when its summary holds every
// bit of the needle's, so a search skips most non-matching articles without scanning them.
class TextFilter
{
public:
    TextFilter() { m_bits.fill(0); }

    // Adds every character and every adjacent pair of `text`.
    void add(const QString& text);
    static TextFilter of(const QString& text)
    {
        TextFilter filter;
        filter.add(text);
        return filter;
    }

    // False only when a text with this summary cannot contain a text summarised by `needle`.
    bool mayContain(const TextFilter& needle) const
    {
        for (std::size_t i = 0; i < m_bits.size(); ++i) {
            if ((m_bits[i] & needle.m_bits[i]) != needle.m_bits[i])
                return false;
        }
        return true;
    }

private:
    void set(quint32 hash) { m_bits[(hash >> 6) & 63] |= quint64(1) << (hash & 63); }

    std::array<quint64, 64> m_bits;
};
