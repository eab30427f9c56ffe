#include "contenthash.h"

#include <QtEndian>

#include <cstring>

namespace {

constexpr quint64 prime1 = 0x9E3779B185EBCA87ull;
constexpr quint64 prime2 = 0xC2B2AE3D27D4EB4Full;
constexpr quint64 prime3 = 0x165667B19E3779F9ull;
constexpr quint64 prime4 = 0x85EBCA77C2B2AE63ull;
constexpr quint64 prime5 = 0x27D4EB2F165667C5ull;

quint64 rotateLeft(quint64 value, int bits)
{
    return (value << bits) | (value >> (64 - bits));
}

quint64 read64(const uchar* p)
{
    quint64 value;
    std::memcpy(&value, p, sizeof value);
    return qFromLittleEndian(value);
}

quint32 read32(const uchar* p)
{
    quint32 value;
    std::memcpy(&value, p, sizeof value);
    return qFromLittleEndian(value);
}

quint64 round(quint64 accumulator, quint64 input)
{
    accumulator += input * prime2;
    accumulator = rotateLeft(accumulator, 31);
    return accumulator * prime1;
}

quint64 mergeRound(quint64 accumulator, quint64 value)
{
    accumulator ^= round(0, value);
    return accumulator * prime1 + prime4;
}

} // namespace

quint64 contentHash(QByteArrayView bytes)
{
    const auto* p = reinterpret_cast<const uchar*>(bytes.data());
    const qsizetype length = bytes.size();
    const uchar* const end = p + length;
    quint64 hash;
    if (length >= 32) {
        quint64 v1 = prime1 + prime2;
        quint64 v2 = prime2;
        quint64 v3 = 0;
        quint64 v4 = 0 - prime1;
        const uchar* const limit = end - 32;
        do {
            v1 = round(v1, read64(p));
            v2 = round(v2, read64(p + 8));
            v3 = round(v3, read64(p + 16));
            v4 = round(v4, read64(p + 24));
            p += 32;
        } while (p <= limit);
        hash = rotateLeft(v1, 1) + rotateLeft(v2, 7) + rotateLeft(v3, 12) + rotateLeft(v4, 18);
        hash = mergeRound(hash, v1);
        hash = mergeRound(hash, v2);
        hash = mergeRound(hash, v3);
        hash = mergeRound(hash, v4);
    } else {
        hash = prime5;
    }
    hash += quint64(length);
    while (end - p >= 8) {
        hash ^= round(0, read64(p));
        hash = rotateLeft(hash, 27) * prime1 + prime4;
        p += 8;
    }
    if (end - p >= 4) {
        hash ^= quint64(read32(p)) * prime1;
        hash = rotateLeft(hash, 23) * prime2 + prime3;
        p += 4;
    }
    while (p < end) {
        hash ^= quint64(*p) * prime5;
        hash = rotateLeft(hash, 11) * prime1;
        ++p;
    }
    hash ^= hash >> 33;
    hash *= prime2;
    hash ^= hash >> 29;
    hash *= prime3;
    hash ^= hash >> 32;
    return hash;
}
