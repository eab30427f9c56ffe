#pragma once

#include <QString>

class VaultRecordStore;

// The start-up cache: the records of a vault's store, kept between runs in the user's cache
// folder (one file per vault, never inside the vault), so that a start reads only the files that
// changed since. A cache from another version, of another folder, or damaged in any way is
// ignored (and replaced at the next write): it can only cost time, never change a result, since
// every record is checked against its file before it is used.
namespace StartupCache {
// The cache file of the vault at `rootPath`.
QString pathFor(const QString& rootPath);
} // namespace StartupCache

// Reads and writes a store's records (a friend of the store).
class StartupCacheCodec
{
public:
    // Fills an empty store from the cache file; false (and the store left empty) when there is
    // no usable cache.
    static bool read(VaultRecordStore& store, const QString& file);
    // Replaces the cache file atomically; false when it could not be written.
    static bool write(VaultRecordStore& store, const QString& file);
};
