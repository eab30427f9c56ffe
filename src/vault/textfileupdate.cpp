#include "textfileupdate.h"

#include "fileio.h"
#include "vaulterror.h"

namespace {

// A file rewritten by another program this often in a row is not going to hold still.
constexpr int maximumAttempts = 50;

} // namespace

std::optional<QString> updateTextFile(const QString& path, const TextFileChange& change)
{
    for (int attempt = 1;; ++attempt) {
        std::optional<FileIdentity> version;
        std::optional<QString> text;
        if (const std::optional<QByteArray> bytes = readFileVersion(path, version)) {
            text = decodeUtf8Strict(*bytes);
            if (!text)
                throw FileError(FileError::read, path, notUtf8Reason());
        }
        std::optional<QString> updated = change(text);
        if (!updated)
            return text;
        StagedFile staged(path, updated->toUtf8());
        if (staged.commitIfUnchanged(version))
            return updated;
        if (attempt == maximumAttempts)
            throw FileError(FileError::write, path, QStringLiteral("文件一直在被其他程序修改"));
    }
}
